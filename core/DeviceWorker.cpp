#include "DeviceWorker.h"
#include <algorithm>
#include <chrono>
#include <utility>

namespace
{
// A slow driver (a read may take a millisecond) or one that never runs dry
// must not hold up the commands: a drain reads for this long at a time.
constexpr auto kDrainSlice = std::chrono::milliseconds(4);
} // namespace

DeviceWorker::DeviceWorker(const UsbAudioApi& api, const HidApi& hid, std::function<void()> changed)
    : m_published(std::make_shared<const DeviceState>()), m_changed(std::move(changed)),
      m_session(api, hid)
{
    m_wake.Create();
}

uint64_t DeviceWorker::Post(DeviceCommand command)
{
    uint64_t number = 0;
    {
        const std::lock_guard lock(m_lock);
        command.number = number = ++m_lastNumber;
        if (command.kind == DeviceCommand::Kind::Volume)
        {
            // A newer value of the same level replaces one still waiting; the
            // new one goes last, so it stays after everything sent before it.
            std::erase_if(m_queue,
                          [&](const DeviceCommand& waiting) {
                              return waiting.kind == DeviceCommand::Kind::Volume &&
                                     waiting.value == command.value;
                          });
        }
        m_queue.push_back(std::move(command));
    }
    m_wake.Set();
    return number;
}

void DeviceWorker::RequestStop()
{
    {
        const std::lock_guard lock(m_lock);
        m_stopping = true;
    }
    m_wake.Set();
}

std::shared_ptr<const DeviceState> DeviceWorker::State() const
{
    const std::lock_guard lock(m_lock);
    return m_published;
}

std::shared_ptr<const DeviceState> DeviceWorker::TakeNews(std::vector<DeviceOutcome>& outcomes)
{
    const std::lock_guard lock(m_lock);
    m_told = false;
    outcomes = std::exchange(m_outcomes, {});
    return m_published;
}

bool DeviceWorker::WaitUntilDone(uint64_t command, DWORD timeoutMs) const
{
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    const std::lock_guard lock(m_lock);
    while (m_published->done < command)
    {
        const ULONGLONG now = ::GetTickCount64();
        const DWORD left = timeoutMs == INFINITE ? INFINITE
                           : now >= end          ? 0
                                                 : static_cast<DWORD>(end - now);
        if (left == 0 || !::SleepConditionVariableSRW(&m_handedOver, m_lock.Native(), left, 0))
            return m_published->done >= command;
    }
    return true;
}

std::optional<DeviceCommand> DeviceWorker::Next()
{
    const std::lock_guard lock(m_lock);
    if (m_stopping || m_queue.empty())
        return std::nullopt;
    DeviceCommand command = std::move(m_queue.front());
    m_queue.pop_front();
    return command;
}

void DeviceWorker::Publish(DeviceOutcome outcome)
{
    auto state = std::make_shared<const DeviceState>(m_state);
    bool tell = false;
    {
        const std::lock_guard lock(m_lock);
        m_published = std::move(state);
        if (!outcome.notices.empty() || outcome.preset || outcome.then)
            m_outcomes.push_back(std::move(outcome));
        tell = !std::exchange(m_told, true);
    }
    ::WakeAllConditionVariable(&m_handedOver);
    if (tell && m_changed)
        m_changed();
}

void DeviceWorker::Run()
{
    for (;;)
    {
        const HANDLE events[] = {m_wake.Get(), m_session.m_notifyEvent.Get()};
        const bool draining = m_drained.more;
        const DWORD waited =
            ::WaitForMultipleObjects(m_watching ? 2 : 1, events, FALSE, draining ? 0 : INFINITE);
        // Without its events (the system ran out of them) the thread still
        // serves the queue, slowly, rather than spin.
        if (waited == WAIT_FAILED)
            ::Sleep(10);
        // The wait took the event's signal: the notifications are pending
        // until read, so a Sync among the commands reads them first.
        if (m_watching && waited == WAIT_OBJECT_0 + 1)
            m_drained.more = true;
        while (const std::optional<DeviceCommand> command = Next())
        {
            DeviceOutcome outcome;
            outcome.command = command->number;
            Execute(*command, outcome);
            m_state.done = command->number;
            Publish(std::move(outcome));
        }
        if (Stopping())
            break;
        if (m_watching && m_drained.more)
            Drain();
    }
    // The device goes with the thread; commands still queued go unanswered.
    m_session.Close();
}

bool DeviceWorker::Stopping() const
{
    const std::lock_guard lock(m_lock);
    return m_stopping;
}

bool DeviceWorker::NotificationSignalled() const
{
    return m_watching && ::WaitForSingleObject(m_session.m_notifyEvent.Get(), 0) == WAIT_OBJECT_0;
}

void DeviceWorker::Drain()
{
    // The event resets itself, so one wake may stand for many notifications:
    // read them all, then re-read each kind of state once.
    const DeviceSession::Changes changes =
        m_session.ReadNotifications(std::chrono::steady_clock::now() + kDrainSlice);
    m_drained.rate |= changes.rate;
    m_drained.mixer |= changes.mixer;
    m_drained.more = changes.more;
    if (changes.more)
        return;
    const DeviceSession::Changes drained = std::exchange(m_drained, {});
    if (drained.rate)
        ReadCurrentRate();
    if (drained.mixer)
        ReadMixer();
    Publish(DeviceOutcome{});
}
