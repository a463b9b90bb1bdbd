#include "shell/preferences/light_sensor.h"

#include "common/app_state.h"
#include "common/command_ids.h"
#include "common/message_box.h"
#include "core/frame_handles.h"
#include "core/frame_message_ids.h"

#include <sensorsapi.h>

#include <atomic>
#include <new>

namespace {

// {77A1C827-FCD2-4689-8915-9D613CC5FA3E}
constexpr CLSID kSensorManagerClass = {
    0x77A1C827, 0xFCD2, 0x4689, {0x89, 0x15, 0x9D, 0x61, 0x3C, 0xC5, 0xFA, 0x3E}};
// {BD77DB67-45A8-42DC-8D00-6DCF15F8377A}
constexpr IID kIidSensorManager = {
    0xBD77DB67, 0x45A8, 0x42DC, {0x8D, 0x00, 0x6D, 0xCF, 0x15, 0xF8, 0x37, 0x7A}};
// {5D8DCC91-4641-47E7-B7C3-B74F48A6C391}
constexpr IID kIidSensorEvents = {
    0x5D8DCC91, 0x4641, 0x47E7, {0xB7, 0xC3, 0xB7, 0x4F, 0x48, 0xA6, 0xC3, 0x91}};
// {9B3B0B86-266A-4AAD-B21F-FDE5501001B7}
constexpr IID kIidSensorManagerEvents = {
    0x9B3B0B86, 0x266A, 0x4AAD, {0xB2, 0x1F, 0xFD, 0xE5, 0x50, 0x10, 0x01, 0xB7}};
// {17A665C0-9063-4216-B202-5C7A255E18CE}
constexpr GUID kLightCategory = {
    0x17A665C0, 0x9063, 0x4216, {0xB2, 0x02, 0x5C, 0x7A, 0x25, 0x5E, 0x18, 0xCE}};
// {BFD96016-6BD7-4560-AD34-F2F6607E8F81}
constexpr GUID kStateChangedEvent = {
    0xBFD96016, 0x6BD7, 0x4560, {0xAD, 0x34, 0xF2, 0xF6, 0x60, 0x7E, 0x8F, 0x81}};
// {2ED0F2A4-0087-41D3-87DB-6773370B3C88}
constexpr GUID kDataUpdatedEvent = {
    0x2ED0F2A4, 0x0087, 0x41D3, {0x87, 0xDB, 0x67, 0x73, 0x37, 0x0B, 0x3C, 0x88}};

ISensorManager* TheSensorManager = nullptr;
LightSensorWatcher* Watcher = nullptr;

// The Sensor API calls the sinks on threads of its own. They never touch a window or the watcher:
// every event is posted to the owner, and a reading travels as a heap copy that the owner frees.
void PostToOwner(HWND owner, UINT message, uint32_t code, LPARAM parameter) {
    if (!owner || !PostMessageW(owner, message, code, parameter))
        if (code == kLightSensorData) FreeLightSensorReport(reinterpret_cast<LightSensorReport*>(parameter));
}

LightSensorReport* CopyReport(ISensor* sensor, ISensorDataReport* data) {
    IPortableDeviceKeyCollection* fields = nullptr;
    if (!sensor || !data || FAILED(sensor->GetSupportedDataFields(&fields)) || !fields) return nullptr;
    DWORD count = 0;
    fields->GetCount(&count);
    LightSensorReport* report = nullptr;
    if (count > 0 && (report = new (std::nothrow) LightSensorReport)) {
        data->GetTimestamp(&report->Timestamp);
        for (DWORD i = 0; i < count; ++i) {
            PROPERTYKEY key{};
            if (FAILED(fields->GetAt(i, &key))) continue;
            PROPVARIANT value;
            PropVariantInit(&value);
            data->GetSensorValue(key, &value);
            report->Keys.push_back(key);
            report->Values.push_back(value);
        }
        report->Count = static_cast<uint32_t>(report->Keys.size());
    }
    fields->Release();
    return report;
}

} // namespace

class SensorEventSink final : public ISensorEvents {
public:
    SensorEventSink(HWND owner, UINT message) : owner_(owner), message_(message) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIidSensorEvents)) {
            *object = static_cast<ISensorEvents*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&count_)); }
    // The watcher holds one reference and the sensor one while the sink is set; the last goes.
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&count_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE OnStateChanged(ISensor*, SensorState state) override {
        PostToOwner(owner_, message_, kLightSensorState, static_cast<LPARAM>(state));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDataUpdated(ISensor* sensor, ISensorDataReport* data) override {
        if (LightSensorReport* report = CopyReport(sensor, data))
            PostToOwner(owner_, message_, kLightSensorData, reinterpret_cast<LPARAM>(report));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnEvent(ISensor*, REFGUID, IPortableDeviceValues*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnLeave(REFSENSOR_ID) override {
        // The interface thread lets go of the sensor when the message arrives.
        PostToOwner(owner_, message_, kLightSensorLeft, 0);
        return S_OK;
    }

private:
    ~SensorEventSink() = default;
    LONG count_ = 1;
    HWND owner_;
    UINT message_;
};

namespace {

class ManagerEventSink final : public ISensorManagerEvents {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIidSensorManagerEvents)) {
            *object = static_cast<ISensorManagerEvents*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // A static object: the count only counts.
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&count_)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&count_)); }
    HRESULT STDMETHODCALLTYPE OnSensorEnter(ISensor*, SensorState) override {
        PostToOwner(Owner.load(), Message.load(), kLightSensorEntered, 0);
        return S_OK;
    }
    std::atomic<HWND> Owner{nullptr};
    std::atomic<UINT> Message{0};

private:
    LONG count_ = 1;
};

ManagerEventSink ManagerSink;

void Tell(const wchar_t* text, UINT flags, UINT icon) {
    AppMessageBox(MainWindow.load(), text, kProgramTitle, flags, icon);
}

} // namespace

void FreeLightSensorReport(LightSensorReport* report) {
    if (!report) return;
    for (PROPVARIANT& value : report->Values) PropVariantClear(&value);
    delete report;
}

bool CreateSensorManager() {
    if (!TheSensorManager) {
        if (FAILED(CoCreateInstance(kSensorManagerClass, nullptr, CLSCTX_ALL, kIidSensorManager,
                                    reinterpret_cast<void**>(&TheSensorManager))))
            TheSensorManager = nullptr;
        if (TheSensorManager) TheSensorManager->SetEventSink(&ManagerSink);
    }
    return TheSensorManager != nullptr;
}

void ReleaseSensorManager() {
    if (!TheSensorManager) return;
    TheSensorManager->SetEventSink(nullptr);
    TheSensorManager->Release();
    TheSensorManager = nullptr;
}

LightSensorWatcher::LightSensorWatcher(HWND owner, UINT message) : Owner(owner), Message(message) {
    ManagerSink.Owner = owner;
    ManagerSink.Message = message;
    Sensor = FindFirstSensor(this, kLightCategory, GUID_NULL);
    if (!Sensor) return;
    Sink = new (std::nothrow) SensorEventSink(owner, message);
    if (!Sink) return;
    Sensor->SetEventSink(Sink);
    GUID interest[] = {kStateChangedEvent, kDataUpdatedEvent};
    Sensor->SetEventInterest(interest, 2);
    // The owner gets the current reading at once, not only at the next change.
    ISensorDataReport* data = nullptr;
    if (SUCCEEDED(Sensor->GetData(&data)) && data) {
        Sink->OnDataUpdated(Sensor, data);
        data->Release();
    }
}

ISensor* FindFirstSensor(LightSensorWatcher*, REFGUID category, REFGUID type) {
    ISensorCollection* sensors = nullptr;
    if (!TheSensorManager || FAILED(TheSensorManager->GetSensorsByCategory(category, &sensors)) || !sensors)
        return nullptr;
    ULONG count = 0;
    sensors->GetCount(&count);
    ISensor* found = nullptr;
    for (ULONG i = 0; i < count && !found; ++i) {
        ISensor* sensor = nullptr;
        if (FAILED(sensors->GetAt(i, &sensor)) || !sensor) continue;
        GUID sensorType = GUID_NULL;
        if (IsEqualGUID(type, GUID_NULL) ||
            (SUCCEEDED(sensor->GetType(&sensorType)) && IsEqualGUID(type, sensorType)))
            found = sensor;
        else
            sensor->Release();
    }
    sensors->Release();
    return found;
}

void ReleaseWatcherSensor(LightSensorWatcher* watcher) {
    if (!watcher) return;
    if (watcher->Sensor) {
        watcher->Sensor->SetEventSink(nullptr);
        watcher->Sensor->Release();
    }
    watcher->Sensor = nullptr;
    if (watcher->Sink) watcher->Sink->Release();
    watcher->Sink = nullptr;
}

LightSensorWatcher* CurrentLightSensorWatcher() {
    return Watcher;
}

void shell::ToggleLightSensor() {
    if (WindowsMajorVersion < 6 || (WindowsMajorVersion == 6 && WindowsMinorVersion < 1)) {
        Tell(L"Light awareness feature is only available under Windows 7.", MB_OK, MB_ICONINFORMATION);
        return;
    }
    if (Watcher) {
        Tell(L"Light awareness is disabled.", MB_OK, MB_ICONINFORMATION);
        ReleaseWatcherSensor(Watcher);
        delete Watcher;
        Watcher = nullptr;
        ReleaseSensorManager();
        return;
    }
    if (AppMessageBox(
            MainWindow.load(),
            L"If you have a light sensor, Brindlex can use it to adjust its colors depending on current "
            L"light conditions. Continue?",
            kProgramTitle, MB_YESNO, MB_ICONQUESTION) != IDYES)
        return;
    // Without the Sensor API (some systems have none) there is no sensor either: say so.
    if (CreateSensorManager()) {
        Watcher = new LightSensorWatcher(MainWindow.load(), WM_LIGHT_SENSOR);
        if (Watcher->Sensor) return;
        ReleaseWatcherSensor(Watcher);
        delete Watcher;
        Watcher = nullptr;
        ReleaseSensorManager();
    }
    Tell(L"No light sensor is currently available.", MB_OK, MB_ICONINFORMATION);
}
