// The light mode on the real frame through a stand-in sensor manager and light sensor: without a
// sensor it stays off; a reading changes the colours on the interface thread, never on the
// sensor's; switching off lets go of the sink.
#include "tests/frame/frame_harness.h"

#include "core/frame_handles.h"
#include "core/window_record.h"
#include "shell/preferences/light_sensor.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <sensorsapi.h>

#include <richedit.h>

#include <cmath>
#include <thread>
#include <vector>

namespace {

constexpr CLSID kManagerClass = {
    0x77A1C827, 0xFCD2, 0x4689, {0x89, 0x15, 0x9D, 0x61, 0x3C, 0xC5, 0xFA, 0x3E}};
constexpr IID kIidManager = {0xBD77DB67, 0x45A8, 0x42DC, {0x8D, 0x00, 0x6D, 0xCF, 0x15, 0xF8, 0x37, 0x7A}};
constexpr PROPERTYKEY kLux = {{0xE4C77CE2, 0xDCB7, 0x46E9, {0x84, 0x39, 0x4F, 0xEC, 0x54, 0x88, 0x33, 0xA6}},
                              2};

// COM objects of the stand-in: counted, freed at zero.
template <typename Interface> class Counted : public Interface {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        *object = static_cast<Interface*>(this);
        AddRef();
        return IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(Interface))
                   ? S_OK
                   : (Release(), E_NOINTERFACE);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&count_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&count_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    virtual ~Counted() = default;

private:
    LONG count_ = 1;
};

class Keys final : public Counted<IPortableDeviceKeyCollection> {
public:
    HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override {
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAt(const DWORD, PROPERTYKEY* key) override {
        *key = kLux;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Add(REFPROPERTYKEY) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clear() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveAt(const DWORD) override { return E_NOTIMPL; }
};

class Report final : public Counted<ISensorDataReport> {
public:
    explicit Report(float lux) : lux_(lux) {}
    HRESULT STDMETHODCALLTYPE GetTimestamp(SYSTEMTIME* time) override {
        GetSystemTime(time);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSensorValue(REFPROPERTYKEY, PROPVARIANT* value) override {
        value->vt = VT_R4;
        value->fltVal = lux_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSensorValues(IPortableDeviceKeyCollection*,
                                              IPortableDeviceValues**) override {
        return E_NOTIMPL;
    }

private:
    float lux_;
};

// A light sensor whose reading the test sets; it holds the sink it is given as the real one does.
class Sensor final : public Counted<ISensor> {
public:
    float Lux = 1.0f;
    ISensorEvents* Sink = nullptr;
    ~Sensor() {
        if (Sink) Sink->Release();
    }
    HRESULT STDMETHODCALLTYPE GetID(SENSOR_ID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCategory(SENSOR_CATEGORY_ID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetType(SENSOR_TYPE_ID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFriendlyName(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetProperty(REFPROPERTYKEY, PROPVARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetProperties(IPortableDeviceKeyCollection*, IPortableDeviceValues**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetSupportedDataFields(IPortableDeviceKeyCollection** fields) override {
        *fields = new Keys;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetProperties(IPortableDeviceValues*, IPortableDeviceValues**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SupportsDataField(REFPROPERTYKEY, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetState(SensorState*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetData(ISensorDataReport** report) override {
        *report = new Report(Lux);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SupportsEvent(REFGUID, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetEventInterest(GUID**, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetEventInterest(GUID*, ULONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetEventSink(ISensorEvents* sink) override {
        if (sink) sink->AddRef();
        if (Sink) Sink->Release();
        Sink = sink;
        return S_OK;
    }
    // A reading arriving on a thread of the sensor's own, as the system delivers it.
    void ReportFromOwnThread(float lux) {
        std::thread([this, lux] {
            Report* report = new Report(lux);
            Sink->OnDataUpdated(this, report);
            report->Release();
        }).join();
    }
};

class Collection final : public Counted<ISensorCollection> {
public:
    explicit Collection(Sensor* sensor) : sensor_(sensor) {}
    HRESULT STDMETHODCALLTYPE GetAt(ULONG, ISensor** sensor) override {
        sensor_->AddRef();
        *sensor = sensor_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCount(ULONG* count) override {
        *count = sensor_ ? 1 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Add(ISensor*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Remove(ISensor*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveByID(REFSENSOR_ID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clear() override { return E_NOTIMPL; }

private:
    Sensor* sensor_;
};

Sensor* TheSensor = nullptr; // null: the manager knows no light sensor
int ManagersAlive = 0;

class Manager final : public Counted<ISensorManager> {
public:
    Manager() { ++ManagersAlive; }
    ~Manager() { --ManagersAlive; }
    HRESULT STDMETHODCALLTYPE GetSensorsByCategory(REFSENSOR_CATEGORY_ID,
                                                   ISensorCollection** found) override {
        *found = new Collection(TheSensor);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSensorsByType(REFSENSOR_TYPE_ID, ISensorCollection**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetSensorByID(REFSENSOR_ID, ISensor**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetEventSink(ISensorManagerEvents*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestPermissions(HWND, ISensorCollection*, WINBOOL) override {
        return E_NOTIMPL;
    }
};

class Factory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID riid, void** object) override {
        if (!IsEqualIID(riid, kIidManager)) return E_NOINTERFACE;
        *object = static_cast<ISensorManager*>(new Manager);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};
Factory TheFactory;

BOOL CALLBACK CollectText(HWND window, LPARAM texts) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    *reinterpret_cast<std::wstring*>(texts) += std::wstring(text) + L"\n";
    return TRUE;
}

// Answers the next boxes as a user would (Yes where asked, OK otherwise) and keeps their texts.
class BoxAnswerer {
public:
    explicit BoxAnswerer(int boxes) {
        thread_ = std::thread([this, boxes] {
            HWND last = nullptr;
            for (int i = 0; i < boxes; ++i) {
                HWND box = WaitForDialog(last, 20000);
                if (!box) return;
                SendMessageTimeoutW(box, WM_NULL, 0, 0, SMTO_NORMAL, 10000,
                                    nullptr); // filled: back at its messages
                std::wstring text;
                EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&text));
                Texts.push_back(text);
                ClickButton(box, FindControl(box, IDYES) ? IDYES : IDOK);
                last = box;
            }
        });
    }
    ~BoxAnswerer() { Join(); }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }
    std::vector<std::wstring> Texts;

private:
    std::thread thread_;
};

uint32_t Colour(const char* key) {
    return static_cast<uint32_t>(XmlGetProfileInt("Cfg\\Colors", key, 0, nullptr, UserConfigDocument));
}

// The view's background as it is now (the message answers the colour it replaces).
COLORREF ViewBackground(const WindowRecord* record, COLORREF expected) {
    return static_cast<COLORREF>(SendMessageW(record->View, EM_SETBKGNDCOLOR, 0, expected));
}

float LuxFor(float x) {
    return std::pow(10.0f, 5.0f * x);
}

class LightMode : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        OleInitialize(nullptr);
        ASSERT_EQ(CoRegisterClassObject(kManagerClass, &TheFactory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                        &cookie_),
                  S_OK);
    }
    void TearDown() override {
        CoRevokeClassObject(cookie_);
        TheSensor = nullptr;
        FrameTest::TearDown();
    }
    DWORD cookie_ = 0;
};

} // namespace

TEST_F(LightMode, WithoutASensorItSaysSoAndStaysOff) {
    BoxAnswerer boxes(2);
    shell::ToggleLightSensor();
    boxes.Join();
    ASSERT_EQ(boxes.Texts.size(), 2u);
    EXPECT_NE(boxes.Texts[1].find(L"No light sensor is currently available."), std::wstring::npos);
    EXPECT_EQ(CurrentLightSensorWatcher(), nullptr);
    EXPECT_EQ(ManagersAlive, 0);
}

TEST_F(LightMode, AReadingChangesTheColoursOnTheInterfaceThreadAndSwitchingOffLetsGoOfTheSink) {
    WindowRecord* server = OpenChat(kServerWindow, nullptr, "irc.light.test");
    ASSERT_NE(server, nullptr);
    Sensor* sensor = new Sensor;
    sensor->Lux = LuxFor(0.55f);
    TheSensor = sensor;
    {
        BoxAnswerer yes(1);
        shell::ToggleLightSensor();
    }
    ASSERT_NE(CurrentLightSensorWatcher(), nullptr);
    ASSERT_NE(sensor->Sink, nullptr);
    // The first reading comes at once: a dim room gets a dark background and light text.
    ASSERT_TRUE(Pump([] { return Colour("BG_Color") == 0x646464; }));
    EXPECT_EQ(Colour("Input_FG_Color"), 0x919191u);

    // A bright room, reported on the sensor's own thread: nothing changes until the interface
    // thread handles the message.
    sensor->ReportFromOwnThread(LuxFor(0.85f));
    EXPECT_EQ(Colour("BG_Color"), 0x646464u);
    EXPECT_EQ(ViewBackground(server, 0x646464), 0x646464u);
    ASSERT_TRUE(Pump([] { return Colour("BG_Color") == 0xF0F0F0; }));
    EXPECT_EQ(Colour("Server_Color"), 0x2D2D2Du);
    EXPECT_EQ(ViewBackground(server, 0xF0F0F0), 0xF0F0F0u);

    {
        BoxAnswerer off(1);
        shell::ToggleLightSensor();
        off.Join();
        ASSERT_EQ(off.Texts.size(), 1u);
        EXPECT_NE(off.Texts[0].find(L"Light awareness is disabled."), std::wstring::npos);
    }
    EXPECT_EQ(CurrentLightSensorWatcher(), nullptr);
    EXPECT_EQ(sensor->Sink, nullptr);
    EXPECT_EQ(ManagersAlive, 0);
    sensor->Release();
}
