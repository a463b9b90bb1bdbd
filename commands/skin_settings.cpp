#include "commands/skin_settings.h"

#include "core/settings.h"
#include "xml/xml_element.h"

#include <string_view>

namespace {

// The sections a skin carries whole: colours (with the nick list's), fonts, event formats and
// layout values.
const char* const kSkinSections[] = {Settings::Sections::ColourText, Settings::Sections::Font,
                                     Settings::Sections::EventFormat, Settings::Keys::ScrollTimer.Section};
// Single keys of sections that otherwise hold more than looks.
const SettingKey kSkinKeys[] = {Settings::Keys::TimeStampText, Settings::Keys::TimeStamp};

bool IsBelow(std::string_view path, std::string_view section) {
    return path.size() > section.size() && path.substr(0, section.size()) == section &&
           path[section.size()] == '\\';
}

enum class Share { Whole, Some, None };

// How much of the section at the path a skin may carry.
Share ShareOf(const std::string& path) {
    for (const char* section : kSkinSections)
        if (path == section || IsBelow(path, section)) return Share::Whole;
    for (const char* section : kSkinSections)
        if (IsBelow(section, path)) return Share::Some;
    for (const SettingKey& key : kSkinKeys)
        if (path == key.Section || IsBelow(key.Section, path)) return Share::Some;
    return Share::None;
}

bool IsSkinKey(const std::string& path, const std::string& name) {
    for (const SettingKey& key : kSkinKeys)
        if (path == key.Section && name == key.Key) return true;
    return false;
}

std::string Below(const std::string& path, const std::string& name) {
    return path.empty() ? name : path + "\\" + name;
}

void Prune(XmlElement* element, const std::string& path, std::vector<std::string>& leftOut) {
    for (uint32_t i = 0; !path.empty() && i < XmlElementGetVariableCount(element);) {
        const std::string name = XmlVariableGetNameString(XmlElementGetVariables(element)[i]);
        if (IsSkinKey(path, name)) {
            ++i;
            continue;
        }
        leftOut.push_back(Below(path, name));
        XmlElementRemoveVariable(element, i);
    }
    for (uint32_t i = 0; i < XmlElementGetChildCount(element);) {
        XmlElement* child = XmlElementGetChild(element, i);
        const std::string childPath = Below(path, XmlElementGetNameString(child));
        const Share share = ShareOf(childPath);
        if (share == Share::None) {
            leftOut.push_back(childPath);
            XmlElementRemoveChild(element, i);
            continue;
        }
        if (share == Share::Some) Prune(child, childPath, leftOut);
        ++i;
    }
}

// The element at a backslash path below the root, made when missing.
XmlElement* MakePath(XmlElement* root, std::string_view path) {
    XmlElement* element = root;
    while (element && !path.empty()) {
        const size_t slash = path.find('\\');
        const std::string name(path.substr(0, slash));
        element = XmlElementFindChild(element, name.c_str(), 1);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    }
    return element;
}

const XmlElement* FindPath(const XmlElement* root, std::string_view path) {
    const XmlElement* element = root;
    while (element && !path.empty()) {
        const size_t slash = path.find('\\');
        const std::string name(path.substr(0, slash));
        element = XmlElementFindChildView(element, name);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    }
    return element;
}

} // namespace

void CopyAppearance(const XmlElement* userRoot, XmlElement* skinRoot) {
    for (const char* section : kSkinSections) {
        const XmlElement* part = FindPath(userRoot, section);
        const std::string_view path(section);
        const size_t slash = path.rfind('\\');
        XmlElement* parent = MakePath(skinRoot, path.substr(0, slash == std::string_view::npos ? 0 : slash));
        if (part && parent)
            XmlElementAppendChild(parent, XmlElementDuplicate(const_cast<XmlElement*>(part), parent));
    }
    for (const SettingKey& key : kSkinKeys) {
        const XmlElement* part = FindPath(userRoot, key.Section);
        const XmlVariable* value = part ? XmlElementFindVariableView(part, key.Key) : nullptr;
        XmlElement* section = value ? MakePath(skinRoot, key.Section) : nullptr;
        if (XmlVariable* copy = section ? XmlElementFindVariable(section, key.Key, 1) : nullptr)
            XmlVariableSetValue(copy, XmlVariableGetRawValue(value), 1);
    }
}

std::vector<std::string> KeepOnlyAppearance(XmlElement* skinRoot) {
    std::vector<std::string> leftOut;
    if (skinRoot) Prune(skinRoot, "", leftOut);
    return leftOut;
}
