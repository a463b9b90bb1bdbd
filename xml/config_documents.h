// The configuration documents that start-up opens for the whole run and every profile call
// names: the user's and the shared settings, the extras catalogue, the temporary document and
// the translation tree. Set once by start-up before other threads run; each document's own lock
// guards its content.
#pragma once

#include "xml/xml_records.h"

extern XmlDocument* UserConfigDocument;
extern XmlDocument* CommonConfigDocument;
extern XmlDocument* ExtrasDocument;
extern XmlDocument* TempDocument;
extern XmlElement* TranslationTree;

// The shared view element the preferences window edits: "<Configuration />" from before the
// program starts until it ends.
extern XmlElement ConfigurationView;
