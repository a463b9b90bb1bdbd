#include "help/html_page.h"

#include <cstdio>

std::string HtmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string HtmlPage(const std::string& title, const std::string& trail, const std::string& body, int depth) {
    std::string up;
    for (int i = 0; i < depth; ++i) up += "../";
    std::string page = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + HtmlEscaped(title) +
                       "</title><link rel=\"stylesheet\" href=\"" + up + "style.css\"></head>\n<body>\n";
    if (!trail.empty()) page += "<p class=\"trail\">" + trail + "</p>\n";
    page += "<h1>" + HtmlEscaped(title) + "</h1>\n" + body + "</body></html>\n";
    return page;
}

bool WriteTextFile(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

std::string UniquePageName(const std::string& folder, const std::string& name, std::set<std::string>& taken) {
    std::string base;
    for (char c : name) {
        if (c >= 'A' && c <= 'Z')
            base += static_cast<char>(c - 'A' + 'a');
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')
            base += c;
    }
    if (base.empty()) base = "page";
    std::string file = folder + "/" + base + ".htm";
    for (int n = 2; taken.count(file); ++n) file = folder + "/" + base + "_" + std::to_string(n) + ".htm";
    taken.insert(file);
    return file;
}
