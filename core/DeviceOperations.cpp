#include "DeviceSettings.h"
#include "DeviceWorker.h"

namespace
{
Notice StatusError(const UsbAudioApi& api, const DeviceResult& result)
{
    return {Notice::Kind::Error, StatusErrorText(api, result.label, result.status)};
}
} // namespace

void DeviceWorker::Execute(const DeviceCommand& command, DeviceOutcome& outcome)
{
    switch (command.kind)
    {
    case DeviceCommand::Kind::WatchPnp:
        m_session.Api().RegisterPnpNotification(nullptr, nullptr, command.window, command.value, 0);
        return;
    case DeviceCommand::Kind::Open:
        OpenDevice();
        RefreshState();
        return;
    case DeviceCommand::Kind::Refresh:
        RefreshState();
        return;
    case DeviceCommand::Kind::Rate:
        SetRate(command.value, outcome);
        return;
    case DeviceCommand::Kind::StreamingMode:
        SetStreamingMode(command.value, outcome);
        return;
    case DeviceCommand::Kind::AsioBufferSize:
        SetAsioBufferSize(command.value, outcome);
        return;
    case DeviceCommand::Kind::CheckedAsioBufferSize:
        SetCheckedAsioBufferSize(command.value, outcome);
        return;
    case DeviceCommand::Kind::Input:
        SetInput(static_cast<uint8_t>(command.value & 0xFF), outcome);
        return;
    case DeviceCommand::Kind::Volume:
        SetVolume(command.value, command.volume);
        return;
    case DeviceCommand::Kind::Mute:
        SetMute(command.value, command.muted);
        return;
    case DeviceCommand::Kind::ApplyPreset:
        if (command.reading)
        {
            outcome.reading = command.reading;
            ApplyPreset(*command.reading, outcome);
        }
        return;
    case DeviceCommand::Kind::Sync:
        // Every notification signalled before is read to the end.
        // The wait may have taken the event just before this command came.
        if (DrainOwed())
            do
                Drain();
            while (m_drained.more && !Stopping());
        return;
    }
}

void DeviceWorker::OpenDevice()
{
    m_watching = false;
    m_notified = false;
    m_drained = {};
    if (m_session.Open() != 0)
        return;
    // Without an event there is nothing to wait on: the device works unwatched.
    if (m_session.CreateNotifyEvent() != 0)
        return;
    m_session.Watch();
    m_watching = true;
}

void DeviceWorker::RefreshState()
{
    m_state.open = m_session.IsOpen();
    m_state.inputSource = m_state.open ? ReadInputSource(m_session) : std::nullopt;

    const std::optional<std::vector<unsigned int>> rates = SupportedSampleRates(m_session);
    m_state.rates = rates.value_or(std::vector<unsigned int>{});
    m_state.rate.reset();
    if (rates)
    {
        if (std::optional<unsigned int> current = CurrentSampleRate(m_session))
        {
            if (*current < kLowestSampleRate)
            {
                // Shown as the lowest rate offered; the device keeps its own.
                SendRateReportFor(m_session, kLowestSampleRate);
                current = kLowestSampleRate;
            }
            m_state.rate = current;
            SendRateReportFor(m_session, *current);
        }
    }

    m_channels.Load();
    for (unsigned int level = 0; level < 4; ++level)
    {
        const ChannelGroup& group = m_channels.Group(level / 2);
        if (const std::optional<VolumeRange> range =
                ChannelModel::RangeOf(group, static_cast<int>(1 + level % 2)))
            m_state.ranges[level] = range;
    }
    for (unsigned int direction : {Preset::Input, Preset::Output})
        m_state.described[direction] = m_channels.Group(direction).count != 0;
    ReadMixer();

    m_state.streamingMode = StreamingMode(m_session);
    m_state.asioSizes = AsioBufferSizes(m_session);
    m_state.asioSize = CurrentAsioBufferSize(m_session);
}

void DeviceWorker::ReadCurrentRate()
{
    const std::optional<unsigned int> current = CurrentSampleRate(m_session);
    if (!current)
        return;
    m_state.rate = current;
    SendRateReportFor(m_session, *current);
}

void DeviceWorker::ReadMixer()
{
    if (!m_session.IsOpen())
        return;
    for (unsigned int direction : {Preset::Input, Preset::Output})
    {
        const ChannelGroup& group = m_channels.Group(direction);
        for (unsigned int record = 1; record <= 2; ++record)
            m_state.volumes[direction * 2 + record - 1] =
                m_channels.ReadVolume(group.records[record]).value_or(0);
        m_state.mutes[direction] = m_channels.ReadMute(group).value_or(false);
    }
}

void DeviceWorker::SetRate(unsigned int rate, DeviceOutcome& outcome)
{
    if (const DeviceResult result = SetSampleRate(m_session, rate); !result.Ok())
        outcome.notices.push_back(BusyOrErrorNotice(m_session.Api(), result));
    RefreshState();
}

void DeviceWorker::SetStreamingMode(unsigned int mode, DeviceOutcome& outcome)
{
    if (const DeviceResult result = ::SetStreamingMode(m_session, mode); !result.Ok())
        outcome.notices.push_back(BusyOrErrorNotice(m_session.Api(), result));
    RefreshState();
    // A new mode can raise the smallest safe buffer above the one in use.
    if (const std::optional<unsigned int> size = CurrentAsioBufferSize(m_session))
        CheckMinimumAsioBufferSize(*size, outcome);
}

bool DeviceWorker::CheckMinimumAsioBufferSize(unsigned int size, DeviceOutcome& outcome)
{
    if (!m_session.IsOpen())
        return false;
    const AsioMinimum minimum = MinimumAsioBufferSize(m_session);
    if (!minimum.failure.Ok())
    {
        outcome.notices.push_back(StatusError(m_session.Api(), minimum.failure));
        RefreshState();
        return false;
    }
    m_state.asioMinimum = minimum.minimum;
    // Only a warning: the user may still want the smaller buffer.
    if (minimum.minimum > size)
        outcome.notices.push_back({Notice::Kind::Warning, AsioBufferTooSmallText(minimum.rate)});
    return true;
}

void DeviceWorker::SetAsioBufferSize(unsigned int size, DeviceOutcome& outcome)
{
    if (!CheckMinimumAsioBufferSize(size, outcome))
    {
        RefreshState();
        return;
    }
    if (!outcome.notices.empty())
    {
        // The warning is read before the size is set.
        DeviceCommand then;
        then.kind = DeviceCommand::Kind::CheckedAsioBufferSize;
        then.value = size;
        outcome.then = then;
        return;
    }
    SetCheckedAsioBufferSize(size, outcome);
}

void DeviceWorker::SetCheckedAsioBufferSize(unsigned int size, DeviceOutcome& outcome)
{
    if (const DeviceResult result = ::SetAsioBufferSize(m_session, size); !result.Ok())
        outcome.notices.push_back(StatusError(m_session.Api(), result));
    RefreshState();
}

void DeviceWorker::SetInput(uint8_t source, DeviceOutcome& outcome)
{
    if (const DeviceResult result = SetInputSource(m_session, source); !result.Ok())
        outcome.notices.push_back(StatusError(m_session.Api(), result));
    RefreshState();
}

void DeviceWorker::SetVolume(unsigned int level, int16_t volume)
{
    if (level >= 4)
        return;
    const ChannelGroup& group = m_channels.Group(level / 2);
    if (m_channels.SetVolume(group.records[1 + level % 2], volume) == 0)
        m_state.volumes[level] = volume;
}

void DeviceWorker::SetMute(unsigned int direction, bool muted)
{
    if (direction > Preset::Output)
        return;
    if (m_channels.SetMute(m_channels.Group(direction), muted) == 0)
        m_state.mutes[direction] = muted;
}

void DeviceWorker::ApplyPreset(const PresetReading& reading, DeviceOutcome& outcome)
{
    outcome.preset = ::ApplyPreset(m_session, m_channels, reading.preset);
    RefreshState();
}
