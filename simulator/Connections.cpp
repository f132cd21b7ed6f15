#include "Connections.h"
#include "DeviceModel.h"

namespace
{
using namespace sim;

constexpr uintptr_t kHandleBase = 0x4B580000;
constexpr uint32_t kMaxHandleId = 0xFFFF;

UsbAudioDeviceHandle HandleValue(uint32_t id)
{
    return reinterpret_cast<UsbAudioDeviceHandle>(kHandleBase + id);
}

// The window functions, loaded when first needed: a process that loads the
// window system connects to the display, which costs the tool most of its
// run time when it has no window to reach.
struct WindowFunctions
{
    decltype(&::IsWindow) isWindow = nullptr;
    decltype(&::PostMessageW) postMessage = nullptr;
};

const WindowFunctions& Windows()
{
    static const WindowFunctions functions = []
    {
        WindowFunctions loaded;
        if (HMODULE user32 = ::LoadLibraryW(L"user32.dll"))
        {
            loaded.isWindow = reinterpret_cast<decltype(&::IsWindow)>(
                reinterpret_cast<void*>(::GetProcAddress(user32, "IsWindow")));
            loaded.postMessage = reinterpret_cast<decltype(&::PostMessageW)>(
                reinterpret_cast<void*>(::GetProcAddress(user32, "PostMessageW")));
        }
        return loaded;
    }();
    return functions;
}

bool WindowExists(uint64_t window)
{
    const WindowFunctions& functions = Windows();
    return functions.isWindow &&
           functions.isWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(window)));
}

bool IsProcessRunning(uint32_t processId)
{
    if (processId == ::GetCurrentProcessId())
        return true;
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process)
        return false;
    const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return running;
}

void ForgetEndedProcesses(DeviceState& state)
{
    for (OpenHandle& handle : state.handles)
        if (handle.id != 0 && !IsProcessRunning(handle.ownerProcess))
            CloseDeviceHandle(handle);
}

// The event belongs to the process that registered it: borrow it from there.
void SignalEvent(uint32_t ownerProcess, uint64_t event)
{
    const auto ownerEvent = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(event));
    if (ownerProcess == ::GetCurrentProcessId())
    {
        ::SetEvent(ownerEvent);
        return;
    }
    HANDLE owner = ::OpenProcess(PROCESS_DUP_HANDLE, FALSE, ownerProcess);
    if (!owner)
        return;
    HANDLE local = nullptr;
    if (::DuplicateHandle(owner, ownerEvent, ::GetCurrentProcess(), &local, EVENT_MODIFY_STATE,
                          FALSE, 0))
    {
        ::SetEvent(local);
        ::CloseHandle(local);
    }
    ::CloseHandle(owner);
}

uint32_t NextHandleId(DeviceState& state)
{
    for (;;)
    {
        state.lastHandleId = state.lastHandleId % kMaxHandleId + 1;
        bool used = false;
        for (const OpenHandle& handle : state.handles)
            used |= handle.id == state.lastHandleId;
        if (!used)
            return state.lastHandleId;
    }
}
} // namespace

namespace sim
{
OpenHandle* FindHandle(DeviceState& state, UsbAudioDeviceHandle device)
{
    for (OpenHandle& handle : state.handles)
        if (handle.id != 0 && HandleValue(handle.id) == device)
            return handle.deviceIndex < state.devices ? &handle : nullptr;
    return nullptr;
}

uint32_t OpenDeviceHandle(DeviceState& state, uint32_t deviceIndex, UsbAudioDeviceHandle* device)
{
    if (deviceIndex >= state.devices)
        return kStatusNoDevice;
    OpenHandle* slot = nullptr;
    for (int attempt = 0; attempt < 2 && !slot; ++attempt)
    {
        if (attempt == 1)
            ForgetEndedProcesses(state);
        for (OpenHandle& handle : state.handles)
            if (!slot && handle.id == 0)
                slot = &handle;
    }
    if (!slot)
        return kStatusTooManyHandles;
    slot->id = NextHandleId(state);
    slot->deviceIndex = deviceIndex;
    slot->ownerProcess = ::GetCurrentProcessId();
    slot->event = 0;
    slot->queueHead = slot->queueCount = 0;
    *device = HandleValue(slot->id);
    return 0;
}

void CloseDeviceHandle(OpenHandle& handle)
{
    handle.id = 0;
    handle.event = 0;
    handle.queueHead = handle.queueCount = 0;
}

uint32_t CountOpenHandles(DeviceState& state)
{
    ForgetEndedProcesses(state);
    uint32_t count = 0;
    for (const OpenHandle& handle : state.handles)
        count += handle.id != 0;
    return count;
}

void SetAttachedDevices(DeviceState& state, uint32_t devices)
{
    state.devices = devices;
    for (OpenHandle& handle : state.handles)
        if (handle.id != 0 && handle.deviceIndex >= devices)
            CloseDeviceHandle(handle);
}

void RegisterPnpWindow(DeviceState& state, HWND window, UINT message)
{
    const auto key = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(window));
    PnpWindow* slot = nullptr;
    for (PnpWindow& registered : state.pnpWindows)
    {
        // Windows that are gone free their place.
        if (registered.window != 0 && !WindowExists(registered.window))
            registered.window = 0;
        if (registered.window == key)
        {
            slot = &registered;
            break;
        }
        if (!slot && registered.window == 0)
            slot = &registered;
    }
    if (!slot)
        return;
    slot->window = key;
    slot->message = message;
    slot->ownerProcess = ::GetCurrentProcessId();
}

void PostPnpMessage(DeviceState& state, WPARAM arrivalOrRemoval)
{
    for (PnpWindow& registered : state.pnpWindows)
    {
        if (registered.window == 0)
            continue;
        const auto window = reinterpret_cast<HWND>(static_cast<uintptr_t>(registered.window));
        if (!WindowExists(registered.window) ||
            !Windows().postMessage(window, registered.message, arrivalOrRemoval, 0))
            registered.window = 0;
    }
}

void QueueNotifications(DeviceState& state, uint32_t type, uint32_t count, const OpenHandle* except)
{
    for (OpenHandle& handle : state.handles)
    {
        if (handle.id == 0 || handle.deviceIndex >= state.devices || &handle == except)
            continue;
        // A full queue keeps what it has, as a driver's ring would.
        for (uint32_t i = 0; i < count && handle.queueCount < kQueueCapacity; ++i)
            handle.queue[(handle.queueHead + handle.queueCount++) % kQueueCapacity] = type;
        if (handle.event != 0)
            SignalEvent(handle.ownerProcess, handle.event);
    }
}

bool TakeNotification(OpenHandle& handle, uint32_t* type)
{
    if (handle.queueCount == 0)
        return false;
    *type = handle.queue[handle.queueHead];
    handle.queueHead = (handle.queueHead + 1) % kQueueCapacity;
    --handle.queueCount;
    return true;
}
} // namespace sim
