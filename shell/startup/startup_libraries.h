// The libraries and pictures start-up loads: the resource library, the language library with its
// translation, and the icons and image lists of the resource library.
#pragma once

#include <windows.h>

// "qvres.dll" of the program folder into ResourceModule; false when it is missing.
bool LoadResourceLibrary();
// The configured language library ("Cfg\\Options1" "Language"), else "qvlang.dll" of the program
// folder, into LanguageModule; sets NonEnglishLanguage by the configured name. False when none
// loads.
bool LoadLanguageLibrary();
// The translation document of the language library into TranslationTree.
void LoadTranslation();
// The tab state icons, TabImageList and the toolbar image lists.
void LoadImages();
void FreeImages();
