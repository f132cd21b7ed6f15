#include "DeviceThread.h"
#include "DeviceWorker.h"
#include <utility>

namespace
{
DWORD WINAPI ThreadMain(LPVOID parameter)
{
    // The thread holds the worker too: it may outlive the DeviceThread.
    const std::unique_ptr<std::shared_ptr<DeviceWorker>> worker(
        static_cast<std::shared_ptr<DeviceWorker>*>(parameter));
    (*worker)->Run();
    return 0;
}
DeviceCommand Command(DeviceCommand::Kind kind, unsigned int value = 0)
{
    DeviceCommand command;
    command.kind = kind;
    command.value = value;
    return command;
}
} // namespace

DeviceThread::DeviceThread(const UsbAudioApi& api, const HidApi& hid, std::function<void()> changed)
    : m_worker(std::make_shared<DeviceWorker>(api, hid, std::move(changed)))
{
    auto* held = new std::shared_ptr<DeviceWorker>(m_worker);
    m_thread.Reset(::CreateThread(nullptr, 0, &ThreadMain, held, 0, nullptr));
    if (!m_thread.IsValid())
        delete held;
}

DeviceThread::~DeviceThread()
{
    if (!m_abandoned)
        Stop(INFINITE);
}

uint64_t DeviceThread::WatchPnp(HWND window, UINT message)
{
    DeviceCommand command = Command(DeviceCommand::Kind::WatchPnp, message);
    command.window = window;
    return m_worker->Post(std::move(command));
}

uint64_t DeviceThread::Open()
{
    return m_worker->Post(Command(DeviceCommand::Kind::Open));
}

uint64_t DeviceThread::Refresh()
{
    return m_worker->Post(Command(DeviceCommand::Kind::Refresh));
}

uint64_t DeviceThread::SetRate(unsigned int rate)
{
    return m_worker->Post(Command(DeviceCommand::Kind::Rate, rate));
}

uint64_t DeviceThread::SetStreamingMode(unsigned int mode)
{
    return m_worker->Post(Command(DeviceCommand::Kind::StreamingMode, mode));
}

uint64_t DeviceThread::SetAsioBufferSize(unsigned int size)
{
    return m_worker->Post(Command(DeviceCommand::Kind::AsioBufferSize, size));
}

uint64_t DeviceThread::SetInput(uint8_t source)
{
    return m_worker->Post(Command(DeviceCommand::Kind::Input, source));
}

uint64_t DeviceThread::SetVolume(Preset::Level level, int16_t volume)
{
    DeviceCommand command = Command(DeviceCommand::Kind::Volume, level);
    command.volume = volume;
    return m_worker->Post(std::move(command));
}

uint64_t DeviceThread::SetMute(Preset::Direction direction, bool muted)
{
    DeviceCommand command = Command(DeviceCommand::Kind::Mute, direction);
    command.muted = muted;
    return m_worker->Post(std::move(command));
}

uint64_t DeviceThread::ApplyPreset(PresetReading reading)
{
    DeviceCommand command = Command(DeviceCommand::Kind::ApplyPreset);
    command.reading = std::make_shared<const PresetReading>(std::move(reading));
    return m_worker->Post(std::move(command));
}

uint64_t DeviceThread::Resume(const DeviceCommand& then)
{
    return m_worker->Post(then);
}

uint64_t DeviceThread::Sync()
{
    return m_worker->Post(Command(DeviceCommand::Kind::Sync));
}

DeviceThread::News DeviceThread::TakeNews()
{
    News news;
    news.state = m_worker->TakeNews(news.outcomes);
    return news;
}

std::shared_ptr<const DeviceState> DeviceThread::State() const
{
    return m_worker->State();
}

bool DeviceThread::WaitUntilDone(uint64_t command, DWORD timeoutMs) const
{
    return m_worker->WaitUntilDone(command, timeoutMs);
}

bool DeviceThread::Stop(DWORD graceMs)
{
    m_worker->RequestStop();
    if (!m_thread.IsValid())
        return true;
    if (::WaitForSingleObject(m_thread.Get(), graceMs) != WAIT_OBJECT_0)
    {
        m_abandoned = true;
        return false;
    }
    m_thread.Reset();
    return true;
}
