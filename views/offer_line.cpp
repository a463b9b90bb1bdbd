#include "views/offer_line.h"

#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "common/text_format.h"
#include "markup/display_text.h"

std::wstring FormatOfferLine(const ObjectOffer& offer) {
    const std::wstring offered = GetLangString(kObjectLabel);
    const std::wstring fetch = GetLangString(kFetchLabel);
    // The fields were checked as they were read: a name or host that could break out of the
    // command refuses the link, and the line shows the label alone.
    LinkCommand fetching(ProgramCommand(L"/getobject"));
    fetching.Arg(offer.Host).Arg(offer.Port).Arg(offer.Size).Arg(offer.Name).Arg(offer.Crc).Arg(L"this");
    return DisplayText()
        .Text(L" ")
        .Reset()
        .Text(L"(" + offered + L" " + offer.Name + L" [" + FormatByteSize(offer.Size) + L"] [")
        .Link(fetch, fetching)
        .Text(L"]) ");
}
