/* The stand-in speech objects, written against the C forms of the speech interfaces: only the
   methods the product calls are filled in. */
#include "tests/media/speech_standins.h"

#include <sapi.h>

#include <wchar.h>

enum Kind { kVoice, kRecognizer, kContext, kGrammar, kCategory, kToken, kResult, kFactory };

typedef struct StandIn {
    const void* Vtbl;
    LONG Refs;
    enum Kind Kind;
    enum Kind Makes;   /* a factory's class */
    wchar_t Text[256]; /* a result's phrase */
} StandIn;

static const IID kIUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
static const IID kIClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
static const IID kISpVoice = {0x6C44DF74, 0x72B9, 0x4992, {0xA1, 0xEC, 0xEF, 0x99, 0x6E, 0x04, 0x22, 0xD4}};
static const IID kISpRecognizer = {
    0xC2B5F241, 0xDAA0, 0x4507, {0x9E, 0x16, 0x5A, 0x1E, 0xAA, 0x2B, 0x7A, 0x5C}};
static const IID kISpRecoContext = {
    0xF740A62F, 0x7C15, 0x489E, {0x82, 0x34, 0x94, 0x0A, 0x33, 0xD9, 0x27, 0x2D}};
static const IID kISpEventSource = {
    0xBE7A9CCE, 0x5F9E, 0x11D2, {0x96, 0x0F, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0x28}};
static const IID kISpRecoGrammar = {
    0x2177DB29, 0x7F45, 0x47D0, {0x85, 0x54, 0x06, 0x7E, 0x91, 0xC8, 0x05, 0x02}};
static const IID kISpObjectTokenCategory = {
    0x2D3D3845, 0x39AF, 0x4850, {0xBB, 0xF9, 0x40, 0xB4, 0x97, 0x80, 0x01, 0x1D}};
static const IID kISpObjectToken = {
    0x14056589, 0xE16C, 0x11D2, {0xBB, 0x90, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0xC0}};
static const IID kISpRecoResult = {
    0x20B053BE, 0xE235, 0x43CD, {0x9A, 0x2A, 0x8D, 0x17, 0xA4, 0x8B, 0x78, 0x42}};
static const CLSID kSpVoice = {0x96749377, 0x3391, 0x11D2, {0x9E, 0xE3, 0x00, 0xC0, 0x4F, 0x79, 0x73, 0x96}};
static const CLSID kSpInprocRecognizer = {
    0x41B89B6B, 0x9399, 0x11D2, {0x96, 0x23, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0x28}};
static const CLSID kSpObjectTokenCategory = {
    0xA910187F, 0x0C7A, 0x45AC, {0x92, 0xCC, 0x59, 0xED, 0xAF, 0xB7, 0x7B, 0x53}};
static const CLSID kSpObjectToken = {
    0xEF411752, 0x3736, 0x4CB4, {0x9C, 0x8C, 0x8E, 0xF4, 0xCC, 0xB5, 0x8E, 0xFE}};

static LONG LiveObjects;
static int SpokenCount;
static wchar_t Spoken[16][256];
static DWORD SpokenThreads[16];
static StandIn* LatestContext;
static HWND NotifyWindow;
static UINT NotifyMessage;
static StandIn* PendingResult;
static DWORD Cookies[4];

static StandIn* Make(enum Kind kind);

static int Answers(const StandIn* self, REFIID iid) {
    if (IsEqualIID(iid, &kIUnknown)) return 1;
    switch (self->Kind) {
        case kVoice: return IsEqualIID(iid, &kISpVoice);
        case kRecognizer: return IsEqualIID(iid, &kISpRecognizer);
        case kContext: return IsEqualIID(iid, &kISpRecoContext) || IsEqualIID(iid, &kISpEventSource);
        case kGrammar: return IsEqualIID(iid, &kISpRecoGrammar);
        case kCategory: return IsEqualIID(iid, &kISpObjectTokenCategory);
        case kToken: return IsEqualIID(iid, &kISpObjectToken);
        case kResult: return IsEqualIID(iid, &kISpRecoResult);
        case kFactory: return IsEqualIID(iid, &kIClassFactory);
    }
    return 0;
}

static ULONG STDMETHODCALLTYPE AddRefAny(StandIn* self) {
    return (ULONG)InterlockedIncrement(&self->Refs);
}

static ULONG STDMETHODCALLTYPE ReleaseAny(StandIn* self) {
    const LONG left = InterlockedDecrement(&self->Refs);
    if (left == 0 && self->Kind != kFactory) {
        if (self == LatestContext) LatestContext = NULL;
        InterlockedDecrement(&LiveObjects);
        CoTaskMemFree(self);
    }
    return (ULONG)left;
}

static HRESULT STDMETHODCALLTYPE QueryAny(StandIn* self, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = NULL;
    if (!Answers(self, iid)) return E_NOINTERFACE;
    AddRefAny(self);
    *out = self;
    return S_OK;
}

#define UNKNOWN_ENTRIES(T)                                                                                   \
    .QueryInterface = (HRESULT(STDMETHODCALLTYPE*)(T*, REFIID, void**))QueryAny,                             \
    .AddRef = (ULONG(STDMETHODCALLTYPE*)(T*))AddRefAny, .Release = (ULONG(STDMETHODCALLTYPE*)(T*))ReleaseAny

static HRESULT STDMETHODCALLTYPE VoiceSpeak(ISpVoice* self, LPCWSTR text, DWORD flags, ULONG* stream) {
    (void)self;
    if (!(flags & SPF_ASYNC)) return E_INVALIDARG; /* the product never waits for speech */
    if (stream) *stream = 1;
    if (SpokenCount < 16) {
        wcsncpy(Spoken[SpokenCount], text ? text : L"", 255);
        SpokenThreads[SpokenCount] = GetCurrentThreadId();
        ++SpokenCount;
    }
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE RecognizerSetInput(ISpRecognizer* self, IUnknown* input, WINBOOL allow) {
    (void)self;
    (void)allow;
    return input ? S_OK : E_INVALIDARG;
}

static HRESULT STDMETHODCALLTYPE RecognizerCreateContext(ISpRecognizer* self, ISpRecoContext** context) {
    (void)self;
    *context = (ISpRecoContext*)Make(kContext);
    LatestContext = (StandIn*)*context;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE ContextNotify(ISpRecoContext* self, HWND window, UINT message, WPARAM w,
                                               LPARAM l) {
    (void)self;
    (void)w;
    (void)l;
    NotifyWindow = window;
    NotifyMessage = message;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE ContextInterest(ISpRecoContext* self, ULONGLONG interest, ULONGLONG queued) {
    (void)self;
    (void)queued;
    return interest & SPFEI(SPEI_RECOGNITION) ? S_OK : E_INVALIDARG;
}

static HRESULT STDMETHODCALLTYPE ContextGetEvents(ISpRecoContext* self, ULONG count, SPEVENT* events,
                                                  ULONG* fetched) {
    (void)self;
    *fetched = 0;
    if (!count || !PendingResult) return S_FALSE;
    memset(events, 0, sizeof *events);
    events->eEventId = SPEI_RECOGNITION;
    events->elParamType = SPET_LPARAM_IS_OBJECT;
    events->lParam = (LPARAM)PendingResult; /* the reference goes with the event */
    PendingResult = NULL;
    *fetched = 1;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE ContextCreateGrammar(ISpRecoContext* self, ULONGLONG id,
                                                      ISpRecoGrammar** grammar) {
    (void)self;
    (void)id;
    *grammar = (ISpRecoGrammar*)Make(kGrammar);
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE GrammarLoadDictation(ISpRecoGrammar* self, LPCWSTR topic,
                                                      SPLOADOPTIONS options) {
    (void)self;
    (void)topic;
    (void)options;
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE GrammarDictationState(ISpRecoGrammar* self, SPRULESTATE state) {
    (void)self;
    return state == SPRS_ACTIVE ? S_OK : E_INVALIDARG;
}

static HRESULT STDMETHODCALLTYPE CategorySetId(ISpObjectTokenCategory* self, LPCWSTR id, WINBOOL create) {
    (void)self;
    (void)create;
    return id && wcsstr(id, L"AudioInput") ? S_OK : E_INVALIDARG;
}

static HRESULT STDMETHODCALLTYPE CategoryDefault(ISpObjectTokenCategory* self, LPWSTR* token) {
    static const wchar_t kId[] =
        L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\AudioInput\\TokenEnums\\MMAudioIn\\";
    (void)self;
    *token = (LPWSTR)CoTaskMemAlloc(sizeof kId);
    memcpy(*token, kId, sizeof kId);
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE TokenSetId(ISpObjectToken* self, LPCWSTR category, LPCWSTR id,
                                            WINBOOL create) {
    (void)self;
    (void)category;
    (void)create;
    return id && *id ? S_OK : E_INVALIDARG;
}

static HRESULT STDMETHODCALLTYPE ResultGetText(ISpRecoResult* self, ULONG start, ULONG count, WINBOOL replace,
                                               LPWSTR* text, BYTE* attributes) {
    const StandIn* result = (const StandIn*)self;
    const size_t bytes = (wcslen(result->Text) + 1) * sizeof(wchar_t);
    (void)replace;
    (void)attributes;
    if (start != (ULONG)SP_GETWHOLEPHRASE || count != (ULONG)SP_GETWHOLEPHRASE) return E_INVALIDARG;
    *text = (LPWSTR)CoTaskMemAlloc(bytes);
    memcpy(*text, result->Text, bytes);
    return S_OK;
}

static HRESULT STDMETHODCALLTYPE FactoryCreate(IClassFactory* self, IUnknown* outer, REFIID iid, void** out) {
    StandIn* made;
    HRESULT result;
    if (outer) return CLASS_E_NOAGGREGATION;
    made = Make(((StandIn*)self)->Makes);
    result = QueryAny(made, iid, out);
    ReleaseAny(made);
    return result;
}

static HRESULT STDMETHODCALLTYPE FactoryLock(IClassFactory* self, WINBOOL lock) {
    (void)self;
    (void)lock;
    return S_OK;
}

static const ISpVoiceVtbl VoiceVtbl = {UNKNOWN_ENTRIES(ISpVoice), .Speak = VoiceSpeak};
static const ISpRecognizerVtbl RecognizerVtbl = {UNKNOWN_ENTRIES(ISpRecognizer),
                                                 .SetInput = RecognizerSetInput,
                                                 .CreateRecoContext = RecognizerCreateContext};
static const ISpRecoContextVtbl ContextVtbl = {
    UNKNOWN_ENTRIES(ISpRecoContext), .SetNotifyWindowMessage = ContextNotify, .SetInterest = ContextInterest,
    .GetEvents = ContextGetEvents, .CreateGrammar = ContextCreateGrammar};
static const ISpRecoGrammarVtbl GrammarVtbl = {UNKNOWN_ENTRIES(ISpRecoGrammar),
                                               .LoadDictation = GrammarLoadDictation,
                                               .SetDictationState = GrammarDictationState};
static const ISpObjectTokenCategoryVtbl CategoryVtbl = {
    UNKNOWN_ENTRIES(ISpObjectTokenCategory), .SetId = CategorySetId, .GetDefaultTokenId = CategoryDefault};
static const ISpObjectTokenVtbl TokenVtbl = {UNKNOWN_ENTRIES(ISpObjectToken), .SetId = TokenSetId};
static const ISpRecoResultVtbl ResultVtbl = {UNKNOWN_ENTRIES(ISpRecoResult), .GetText = ResultGetText};
static const IClassFactoryVtbl FactoryVtbl = {UNKNOWN_ENTRIES(IClassFactory), .CreateInstance = FactoryCreate,
                                              .LockServer = FactoryLock};

static StandIn* Make(enum Kind kind) {
    static const void* const tables[] = {&VoiceVtbl,    &RecognizerVtbl, &ContextVtbl, &GrammarVtbl,
                                         &CategoryVtbl, &TokenVtbl,      &ResultVtbl,  &FactoryVtbl};
    StandIn* made = (StandIn*)CoTaskMemAlloc(sizeof(StandIn));
    memset(made, 0, sizeof *made);
    made->Vtbl = tables[kind];
    made->Refs = 1;
    made->Kind = kind;
    InterlockedIncrement(&LiveObjects);
    return made;
}

static StandIn Factories[4] = {{&FactoryVtbl, 1, kFactory, kVoice, {0}},
                               {&FactoryVtbl, 1, kFactory, kRecognizer, {0}},
                               {&FactoryVtbl, 1, kFactory, kCategory, {0}},
                               {&FactoryVtbl, 1, kFactory, kToken, {0}}};

int RegisterSpeechStandIns(void) {
    const CLSID* classes[4] = {&kSpVoice, &kSpInprocRecognizer, &kSpObjectTokenCategory, &kSpObjectToken};
    int at;
    SpokenCount = 0;
    for (at = 0; at < 4; ++at)
        if (FAILED(CoRegisterClassObject(classes[at], (IUnknown*)&Factories[at], CLSCTX_INPROC_SERVER,
                                         REGCLS_MULTIPLEUSE, &Cookies[at])))
            return 0;
    return 1;
}

void RevokeSpeechStandIns(void) {
    int at;
    for (at = 0; at < 4; ++at)
        if (Cookies[at]) CoRevokeClassObject(Cookies[at]);
    memset(Cookies, 0, sizeof Cookies);
}

int StandInSpokenCount(void) {
    return SpokenCount;
}

const wchar_t* StandInSpokenText(int index) {
    return index >= 0 && index < SpokenCount ? Spoken[index] : L"";
}

DWORD StandInSpokenThread(int index) {
    return index >= 0 && index < SpokenCount ? SpokenThreads[index] : 0;
}

int StandInRecognize(const wchar_t* phrase) {
    StandIn* result;
    if (!LatestContext || !NotifyWindow) return 0;
    result = Make(kResult);
    wcsncpy(result->Text, phrase, 255);
    if (PendingResult) ReleaseAny(PendingResult);
    PendingResult = result;
    return PostMessageW(NotifyWindow, NotifyMessage, 0, 0) ? 1 : 0;
}

int StandInLiveObjects(void) {
    return (int)LiveObjects;
}
