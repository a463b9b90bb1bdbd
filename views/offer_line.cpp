#include "views/offer_line.h"

#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "common/text_format.h"
#include "markup/markup_codes.h"

std::wstring FormatOfferLine(const ObjectOffer& offer) {
    const std::wstring offered = GetLangString(kObjectLabel);
    const std::wstring fetch = GetLangString(kFetchLabel);
    const wchar_t link = kLinkCode;
    std::wstring line = L" ";
    line += static_cast<wchar_t>(kResetCode);
    line += L"(" + offered + L" " + offer.Name + L" [" + FormatByteSize(offer.Size) + L"] [";
    line += link;
    line += L"{" + fetch + L"|||/getobject " + offer.Host + L" " + offer.Port + L" " +
            std::to_wstring(offer.Size) + L" " + offer.Name + L" " + std::to_wstring(offer.Crc) + L" this}" +
            fetch;
    line += link;
    line += L"]) ";
    return line;
}
