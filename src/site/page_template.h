// The pages are written from templates kept as real HTML files in
// src/site/assets. A placeholder names the kind of place it stands in, and the
// value put there is escaped for that place, so a template says once where
// each text lands and no caller escapes by hand:
//   {{text:key}}  between tags           HtmlText
//   {{attr:key}}  in a quoted attribute  HtmlAttribute
//   {{url:key}}   a file name in a quoted URL attribute: percent-encoded
//   {{html:key}}  markup the writer made itself from other templates
// The template is read once, left to right; a value is never searched for
// placeholders, so a name holding "{{text:title}}" shows as it is.
#pragma once

#include "common/result.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

using TemplateValues = std::vector<std::pair<std::string_view, std::string_view>>;

// The filled template. Refused ("template-placeholder") when a placeholder is
// malformed, of an unknown kind, or names a key that has no value.
Result<std::string> FillTemplate(std::string_view page, const TemplateValues& values);
