// The pieces every page of the help file is made of: escaped text, the page frame and the file
// names the table rows get.
#pragma once

#include <set>
#include <string>

// The text with &, <, > and " written as entities. Not the XML escape: the help viewer's HTML
// engine shows "&apos;" as it stands.
std::string HtmlEscaped(const std::string& text);

// A whole page: the title, a trail of links back to the contents (empty for none) and the
// body. depth is how many folders below the help file's root the page lies.
std::string HtmlPage(const std::string& title, const std::string& trail, const std::string& body, int depth);

// Writes the bytes to the file; false when that failed.
bool WriteTextFile(const std::string& path, const std::string& bytes);

// A file name in the folder for the name: lower case letters, digits and '_' only, unique among
// the names already taken (which it joins), with ".htm".
std::string UniquePageName(const std::string& folder, const std::string& name, std::set<std::string>& taken);
