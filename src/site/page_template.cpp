#include "site/page_template.h"

#include "gltf/gltf_export.h"
#include "site/html_text.h"

namespace {

Refusal Malformed(std::string_view placeholder, const char* why) {
    return Refuse("template-placeholder",
                  "the placeholder {{" + std::string(placeholder) + "}} " + why);
}

} // namespace

Result<std::string> FillTemplate(std::string_view page, const TemplateValues& values) {
    std::string out;
    out.reserve(page.size() * 2);
    std::size_t at = 0;
    while (true) {
        const std::size_t open = page.find("{{", at);
        if (open == std::string_view::npos) {
            out.append(page, at);
            return out;
        }
        out.append(page, at, open - at);
        const std::size_t close = page.find("}}", open + 2);
        if (close == std::string_view::npos) {
            return Refuse("template-placeholder", "a placeholder is not closed");
        }
        const std::string_view placeholder = page.substr(open + 2, close - open - 2);
        at = close + 2;
        const std::size_t colon = placeholder.find(':');
        if (colon == std::string_view::npos) {
            return Malformed(placeholder, "names no kind");
        }
        const std::string_view kind = placeholder.substr(0, colon);
        const std::string_view key = placeholder.substr(colon + 1);
        const std::string_view* value = nullptr;
        for (const auto& [name, text] : values) {
            if (name == key) {
                value = &text;
                break;
            }
        }
        if (value == nullptr) {
            return Malformed(placeholder, "has no value");
        }
        if (kind == "text") {
            out += HtmlText(*value);
        } else if (kind == "attr") {
            out += HtmlAttribute(*value);
        } else if (kind == "url") {
            out += FileNameUri(std::string(*value));
        } else if (kind == "html") {
            out += *value;
        } else {
            return Malformed(placeholder, "is of no known kind");
        }
    }
}
