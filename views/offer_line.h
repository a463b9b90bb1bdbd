// The line that shows an object offered by a peer, with a link that fetches it.
#pragma once

#include "markup/markup_fields.h"

#include <string>

// " \x0f(<16> name [size] [link <17>]) " where the link runs
// "/getobject host port size name crc this".
std::wstring FormatOfferLine(const ObjectOffer& offer);
