#include "peer/embedded_objects.h"

#include "common/app_state.h"
#include "common/frame_messages.h"
#include "common/message_box.h"
#include "common/shell_helpers.h"
#include "core/frame_message_ids.h"
#include "core/settings.h"
#include "core/window_record.h"
#include "peer/rich_edit_ole_callback.h"

#include <ole2.h>
#include <richedit.h>
#include <richole.h>

#include <cstdio>

namespace {

// A data object that holds one bitmap, from which the static picture object is made.
class CImageDataObject : public IDataObject {
public:
    ~CImageDataObject() {
        if (held_) ReleaseStgMedium(&medium_);
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDataObject) {
            *out = static_cast<IDataObject*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    // Lives on its creator's stack: never deletes itself.
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC*, STGMEDIUM* medium) override {
        HANDLE copy = OleDuplicateData(medium_.hBitmap, CF_BITMAP, 0);
        if (!copy) return E_HANDLE;
        medium->tymed = TYMED_GDI;
        medium->hBitmap = static_cast<HBITMAP>(copy);
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL) override {
        format_ = *format;
        medium_ = *medium;
        held_ = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

    FORMATETC& Format() { return format_; }
    // The insert failed: the caller keeps the bitmap.
    void GiveBack() { held_ = false; }

private:
    ULONG references_ = 0;
    STGMEDIUM medium_{};
    FORMATETC format_{};
    bool held_ = false;
};

template <typename T> void ReleaseInterface(T*& pointer) {
    if (pointer) pointer->Release();
    pointer = nullptr;
}

constexpr DWORD kTemporaryStorage =
    STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE | STGM_DELETEONRELEASE;

// The player control and its dispatch interface.
constexpr CLSID kFlashClsid = {0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr IID kFlashDispatch = {0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// A temporary storage with the contents of the storage file; the file is closed again at once.
IStorage* CopyOfStorageFile(const wchar_t* path) {
    IStorage* file = nullptr;
    if (FAILED(StgOpenStorage(path, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &file)) || !file)
        return nullptr;
    IStorage* copy = nullptr;
    if (FAILED(StgCreateDocfile(nullptr, kTemporaryStorage, 0, &copy)) ||
        FAILED(file->CopyTo(0, nullptr, nullptr, copy)))
        ReleaseInterface(copy);
    file->Release();
    return copy;
}

void SetTextProperty(IDispatch* control, const wchar_t* name, const std::wstring& value) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(control->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return;
    VARIANT argument;
    argument.vt = VT_BSTR;
    argument.bstrVal = SysAllocString(value.c_str());
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{&argument, &put, 1, 1};
    control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                    nullptr);
    SysFreeString(argument.bstrVal);
}

} // namespace

int peer::InsertImageIntoRichEdit(HWND richEdit, HBITMAP bitmap) {
    if (!OnInterfaceThread()) {
        return static_cast<int>(SendMessageW(MainWindow.load(), WM_INSERT_IMAGE,
                                             reinterpret_cast<WPARAM>(richEdit),
                                             reinterpret_cast<LPARAM>(bitmap)));
    }
    return InsertTaggedImage(richEdit, bitmap, 0);
}

namespace {

// Puts the object into the view at its selection, as an object the view contains.
bool InsertAtSelection(IRichEditOle* richOle, IOleObject* object, IOleClientSite* site, IStorage* storage,
                       DWORD flags, DWORD tag) {
    OleSetContainedObject(object, TRUE);
    REOBJECT insert{};
    insert.cbStruct = sizeof insert;
    object->GetUserClassID(&insert.clsid);
    insert.cp = REO_CP_SELECTION;
    insert.dvaspect = DVASPECT_CONTENT;
    insert.poleobj = object;
    insert.polesite = site;
    insert.pstg = storage;
    insert.dwFlags = flags;
    insert.dwUser = tag;
    return SUCCEEDED(richOle->InsertObject(&insert));
}

} // namespace

int peer::InsertTaggedImage(HWND richEdit, HBITMAP bitmap, DWORD tag) {
    if (!bitmap || !IsWindow(richEdit)) return -1;
    IRichEditOle* richOle = nullptr;
    SendMessageW(richEdit, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&richOle));
    if (!richOle) return -1;

    CImageDataObject data;
    FORMATETC format{CF_BITMAP, nullptr, DVASPECT_CONTENT, -1, TYMED_GDI};
    STGMEDIUM medium{};
    medium.tymed = TYMED_GDI;
    medium.hBitmap = bitmap;
    data.SetData(&format, &medium, TRUE);

    IOleClientSite* site = nullptr;
    ILockBytes* bytes = nullptr;
    IStorage* storage = nullptr;
    IOleObject* object = nullptr;
    int result = -1;
    if (SUCCEEDED(richOle->GetClientSite(&site)) &&
        SUCCEEDED(CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes)) &&
        SUCCEEDED(StgCreateDocfileOnILockBytes(bytes, STGM_SHARE_EXCLUSIVE | STGM_CREATE | STGM_READWRITE, 0,
                                               &storage)) &&
        SUCCEEDED(OleCreateStaticFromData(&data, IID_IOleObject, OLERENDER_FORMAT, &data.Format(), site,
                                          storage, reinterpret_cast<void**>(&object)))) {
        if (InsertAtSelection(richOle, object, site, storage, 0, tag)) result = 0;
    }
    if (result != 0) data.GiveBack();
    ReleaseInterface(object);
    ReleaseInterface(storage);
    ReleaseInterface(bytes);
    ReleaseInterface(site);
    ReleaseInterface(richOle);
    return result;
}

int peer::InsertOleObject(HWND richEdit, const wchar_t* storagePath, const CLSID& clsid, IOleObject** out) {
    if (out) *out = nullptr;
    if (!IsWindow(richEdit)) return 0;
    IRichEditOle* richOle = nullptr;
    SendMessageW(richEdit, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&richOle));
    if (!richOle) return 0;
    IOleClientSite* site = nullptr;
    richOle->GetClientSite(&site);
    auto* role = new MyRole(richEdit);
    role->AddRef();
    SendMessageW(richEdit, EM_SETOLECALLBACK, 0,
                 reinterpret_cast<LPARAM>(static_cast<IRichEditOleCallback*>(role)));
    role->Release();

    IStorage* storage = nullptr;
    void* made = nullptr;
    if (out) {
        if (SUCCEEDED(StgCreateDocfile(nullptr, kTemporaryStorage, 0, &storage)) &&
            FAILED(OleCreate(clsid, IID_IOleObject, OLERENDER_DRAW, nullptr, site, storage, &made)))
            made = nullptr;
    } else {
        storage = CopyOfStorageFile(storagePath ? storagePath : L".\\save.stg");
        if (storage && FAILED(OleLoad(storage, IID_IOleObject, site, &made))) made = nullptr;
    }
    IOleObject* object = static_cast<IOleObject*>(made);
    int result = 0;
    if (object && site) {
        // A chat view grows at its end, wherever the user last clicked.
        CHARRANGE end{-1, -1};
        SendMessageW(richEdit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
        if (InsertAtSelection(richOle, object, site, storage, REO_RESIZABLE, 0)) {
            result = 1;
            SendMessageW(richEdit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&end));
            SendMessageW(richEdit, EM_SCROLLCARET, 0, 0);
            SendMessageW(richEdit, EM_SCROLLCARET, 0, 0);
        }
    }
    if (out && result)
        *out = object;
    else
        ReleaseInterface(object);
    ReleaseInterface(storage);
    ReleaseInterface(site);
    ReleaseInterface(richOle);
    return result;
}

int peer::InsertRequestedObject(const InsertObjectRequest* request) {
    if (!request) return 0;
    if (request->Question &&
        AppMessageBox(MainWindow.load(), request->Question, L"Brindlex", MB_YESNO, MB_ICONQUESTION) != IDYES)
        return 0;
    return peer::InsertOleObject(request->View, request->StoragePath, request->Clsid, request->Object);
}

std::wstring peer::FlashBackgroundText(COLORREF color) {
    wchar_t text[8] = {};
    swprintf(text, 8, L"#%02X%02X%02X", GetRValue(color), GetGValue(color), GetBValue(color));
    return text;
}

int peer::InsertFlashObject(WindowRecord* record, const std::wstring& movie, uint32_t background) {
    if (!record || movie.empty()) return 0;
    IOleObject* object = nullptr;
    InsertObjectRequest request;
    request.View = record->View;
    request.Clsid = kFlashClsid;
    request.Object = &object;
    SendMessageW(MainWindow.load(), WM_INSERT_OBJECT, 0, reinterpret_cast<LPARAM>(&request));
    if (!object) return 0;
    IDispatch* player = nullptr;
    if (SUCCEEDED(object->QueryInterface(kFlashDispatch, reinterpret_cast<void**>(&player))) && player) {
        const COLORREF color =
            background == 0xFFFFFFFF ? Settings::BackgroundColour() : static_cast<COLORREF>(background);
        SetTextProperty(player, L"Movie", PathToFileUrl(movie));
        SetTextProperty(player, L"BGColor", FlashBackgroundText(color));
        player->Release();
    }
    IOleClientSite* site = nullptr;
    object->GetClientSite(&site);
    RECT client{};
    GetClientRect(request.View, &client);
    object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, request.View, &client);
    ReleaseInterface(site);
    object->Release();
    return 1;
}
