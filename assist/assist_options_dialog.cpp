// Consent and options before a remote-assistance request leaves the computer.
#include "assist/assistance_request.h"

#include "common/message_box.h"

namespace {

constexpr int kHighColorRadio = 201;
constexpr int kLowColorRadio = 202;

} // namespace

uint32_t AssistOptionsDialog(HWND owner) {
    const TASKDIALOG_BUTTON radios[] = {{kHighColorRadio, L"High color mode"},
                                        {kLowColorRadio, L"Low color mode"}};
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = owner;
    config.dwFlags = TDF_VERIFICATION_FLAG_CHECKED;
    config.dwCommonButtons = TDCBF_OK_BUTTON | TDCBF_CANCEL_BUTTON;
    config.pszWindowTitle = L"Remote Assistance";
    config.pszMainIcon = TD_INFORMATION_ICON;
    config.pszMainInstruction = L"Enable Remote Assistance?";
    config.pszContent = L"The author will have access to your PC.\r\n\r\nYou may also set the color mode and "
                        L"restrict access to this application only.";
    config.pRadioButtons = radios;
    config.cRadioButtons = ARRAYSIZE(radios);
    config.nDefaultRadioButton = kHighColorRadio;
    config.pszVerificationText = L"Share entire desktop";
    int button = 0;
    int radio = 0;
    BOOL wholeDesktop = FALSE;
    if (FAILED(TaskDialogIndirectByName(&config, &button, &radio, &wholeDesktop)) || button != IDOK) return 0;
    return (radio == kLowColorRadio ? 8u : 24u) + (wholeDesktop ? 1u : 0u);
}
