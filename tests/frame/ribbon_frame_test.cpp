// The ribbon on the real frame through a stand-in framework that records what it is asked: the
// view it creates, commands and colours reaching the frame by its registered message, and the
// frame keeping its menu and rebar when the ribbon cannot be shown.
#include "tests/frame/frame_harness.h"

#include "common/command_ids.h"
#include "core/frame_handles.h"
#include "core/window_record.h"
#include "shell/frame/frame_ribbon.h"
#include "shell/frame/frame_window.h"
#include "tests/recorders/call_log.h"
#include "ui/ribbon.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <string>
#include <vector>

namespace {

std::vector<std::string> Calls;

template <typename Interface> class Counted : public Interface {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --count_;
        if (left == 0) delete this;
        return left;
    }
    virtual ~Counted() = default;

private:
    ULONG count_ = 1;
};

class StandInView final : public Counted<IUIRibbon> {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, kIidUiRibbon)) return E_NOINTERFACE;
        *object = static_cast<IUIRibbon*>(this);
        AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetHeight(UINT32* height) override {
        *height = 120;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE LoadSettingsFromStream(IStream*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SaveSettingsToStream(IStream*) override { return E_NOTIMPL; }
};

// The framework as the frame meets it: it keeps the application, creates the view on loading and
// notes every call, property and commit.
class StandInFramework final : public IUIFramework, public IPropertyStore {
public:
    static bool FailLoad;
    static bool Alive;
    IUIApplication* Application = nullptr;
    StandInFramework() { Alive = true; }
    ~StandInFramework() {
        Alive = false;
        if (Application) Application->Release();
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIidUiFramework))
            *object = static_cast<IUIFramework*>(this);
        else if (IsEqualIID(riid, __uuidof(IPropertyStore)))
            *object = static_cast<IPropertyStore*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --count_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE Initialize(HWND, IUIApplication* application) override {
        Calls.push_back("Initialize");
        Application = application;
        Application->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Destroy() override {
        Calls.push_back("Destroy");
        if (view_) Application->OnViewChanged(0, kUiViewTypeRibbon, view_, kUiViewVerbDestroy, 0);
        if (view_) view_->Release();
        view_ = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE LoadUI(HINSTANCE, LPCWSTR name) override {
        Calls.push_back("LoadUI " + std::string(name, name + wcslen(name)));
        if (FailLoad) return E_FAIL;
        view_ = new StandInView;
        Application->OnViewChanged(0, kUiViewTypeRibbon, view_, kUiViewVerbCreate, 0);
        Application->OnViewChanged(0, kUiViewTypeRibbon, view_, kUiViewVerbSize, 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetView(UINT32, REFIID, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetUICommandProperty(UINT32, const PROPERTYKEY&, PROPVARIANT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetUICommandProperty(UINT32, const PROPERTYKEY&, const PROPVARIANT&) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE InvalidateUICommand(UINT32 id, int32_t flags, const PROPERTYKEY* key) override {
        Calls.push_back("Invalidate " + std::to_string(id) + " " + std::to_string(flags) + " " +
                        std::to_string(key ? key->fmtid.Data1 : 0));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FlushPendingInvalidations() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetModes(INT32) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetCount(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAt(DWORD, PROPERTYKEY*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY, PROPVARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY key, REFPROPVARIANT value) override {
        Calls.push_back("Set " + std::to_string(key.fmtid.Data1) + " " + std::to_string(value.ulVal));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Commit() override {
        Calls.push_back("Commit");
        return S_OK;
    }

private:
    ULONG count_ = 1;
    IUIRibbon* view_ = nullptr;
};
bool StandInFramework::FailLoad = false;
bool StandInFramework::Alive = false;

class Factory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) return E_NOINTERFACE;
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID riid, void** object) override {
        auto* framework = new StandInFramework;
        const HRESULT result = framework->QueryInterface(riid, object);
        framework->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};
Factory TheFactory;

class PropertySet final : public IUISimplePropertySet {
public:
    explicit PropertySet(uint32_t colour) : colour_(colour) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetValue(const PROPERTYKEY& key, PROPVARIANT* value) override {
        if (!SamePropertyKey(key, kUiKeyColor)) return E_INVALIDARG;
        value->vt = VT_UI4;
        value->ulVal = colour_;
        return S_OK;
    }

private:
    uint32_t colour_;
};

class FrameRibbon : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        OleInitialize(nullptr);
        ASSERT_EQ(CoRegisterClassObject(kUiRibbonFrameworkClass, &TheFactory, CLSCTX_INPROC_SERVER,
                                        REGCLS_MULTIPLEUSE, &cookie_),
                  S_OK);
        Calls.clear();
        CallLog::Instance().Clear();
        StandInFramework::FailLoad = false;
    }
    void TearDown() override {
        CoRevokeClassObject(cookie_);
        FrameTest::TearDown();
    }
    // The handler the framework would get for a command of the type.
    IUICommandHandler* Handler(RibbonHost& host, uint32_t id, int32_t type) {
        IUICommandHandler* handler = nullptr;
        static_cast<StandInFramework*>(host.Framework)->Application->OnCreateUICommand(id, type, &handler);
        return handler;
    }
    uint32_t Context(RibbonHost& host, uint32_t group) {
        IUICommandHandler* handler = Handler(host, group, 4);
        PROPVARIANT value;
        PropVariantInit(&value);
        handler->UpdateProperty(group, kUiKeyContextAvailable, nullptr, &value);
        handler->Release();
        return value.vt == VT_UI4 ? value.ulVal : 0xFFFFFFFF;
    }
    DWORD cookie_ = 0;
};

} // namespace

TEST_F(FrameRibbon, CommandsAndColoursReachTheFrameThroughItsRegisteredMessage) {
    RibbonHost host;
    RibbonHostInit(&host, frame_);
    ASSERT_TRUE(RibbonCreate(&host));
    ASSERT_TRUE(RibbonLoad(&host, nullptr, L"APPLICATION_RIBBON"));
    EXPECT_EQ(Calls, (std::vector<std::string>{"Initialize", "LoadUI APPLICATION_RIBBON"}));
    EXPECT_EQ(RibbonHeight(&host), 120u);

    // An action command is the menu command of its id: the light mode asks first.
    {
        DialogWatcher question([](HWND dialog) { ClickButton(dialog, IDNO); });
        IUICommandHandler* action = Handler(host, ID_LIGHT_SENSOR, kUiCommandTypeAction);
        action->Execute(ID_LIGHT_SENSOR, kUiExecutionVerbExecute, nullptr, nullptr, nullptr);
        action->Release();
        EXPECT_NE(question.Texts().find(L"If you have a light sensor"), std::wstring::npos);
    }

    // A colour chosen for the ribbon's background is kept with 0xFF in its top byte and applied.
    IUICommandHandler* colour = Handler(host, ID_RIBBON_COLOUR, kUiCommandTypeColorAnchor);
    PROPVARIANT current;
    PropVariantInit(&current);
    current.vt = VT_UI4;
    PropertySet chosen(0x00336699);
    colour->Execute(ID_RIBBON_COLOUR, kUiExecutionVerbExecute, &kUiKeyColor, &current, &chosen);
    colour->Release();
    EXPECT_EQ(static_cast<uint32_t>(
                  XmlGetProfileInt("Cfg\\Colors", "Ribbon_Color", 0, nullptr, UserConfigDocument)),
              0xFF336699u);
    const std::string applied = "Set 2000 " + std::to_string(RgbToRibbonHsb(0x336699));
    EXPECT_EQ(std::vector<std::string>(Calls.end() - 2, Calls.end()),
              (std::vector<std::string>{applied, "Commit"}));
    XmlWriteProfileInt("Cfg\\Colors", "Ribbon_Color", -1, nullptr, UserConfigDocument);

    // The contextual groups follow the active window.
    EXPECT_EQ(Context(host, kServerContextGroup), 0u);
    EXPECT_EQ(Context(host, kChannelContextGroup), 0u);
    WindowRecord* server = OpenChat(kServerWindow, nullptr, "irc.ribbon.test");
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(Context(host, kServerContextGroup), kUiContextAvailabilityActive);
    EXPECT_EQ(Context(host, kChannelContextGroup), 0u);
    OpenChat(kChannelWindow, server, "#ribbon");
    EXPECT_EQ(Context(host, kServerContextGroup), 0u);
    EXPECT_EQ(Context(host, kChannelContextGroup), kUiContextAvailabilityActive);
    RibbonInvalidateContext(&host, kChannelContextGroup);
    EXPECT_EQ(Calls.back(), "Invalidate 55555 4 1100");

    RibbonDestroy(&host);
    EXPECT_EQ(Calls.back(), "Destroy");
    EXPECT_EQ(host.Ribbon, nullptr);
    EXPECT_FALSE(StandInFramework::Alive);
}

TEST_F(FrameRibbon, ARibbonThatCannotLoadLeavesTheFrameItsMenuAndRebar) {
    StandInFramework::FailLoad = true;
    EXPECT_FALSE(shell::CreateFrameRibbon(frame_));
    EXPECT_EQ(FrameRibbonHost, nullptr);
    EXPECT_FALSE(StandInFramework::Alive);
    // The frame this program made at start has no compiled ribbon to load either.
    EXPECT_NE(GetMenu(frame_), nullptr);
    EXPECT_NE(MainBarWindow.load(), nullptr);
}
