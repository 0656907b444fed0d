#include "cli/junit_report.h"

#include <cstdint>
#include <cstdio>

namespace {

const char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// The length of the UTF-8 sequence at text[i] when it encodes a character XML 1.0 allows
// (#x9, #xA, #xD, #x20-#xD7FF, #xE000-#xFFFD, #x10000-#x10FFFF), else 0.
size_t xml_character_length(const std::string& text, size_t i) {
  const unsigned char lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80) return lead >= 0x20 || lead == '\t' || lead == '\n' || lead == '\r' ? 1 : 0;
  const size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (!length || i + length > text.size()) return 0;
  uint32_t code = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    const unsigned char next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  static const uint32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};  // shorter forms are refused
  if (code < kLeast[length] || code > 0x10FFFF) return 0;
  if ((code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF) return 0;
  return length;
}

std::string seconds_text(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

}  // namespace

std::string xml_escaped(const std::string& text, bool attribute) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t length = xml_character_length(text, i);
    if (!length) {
      out += kReplacement;
      ++i;
      continue;
    }
    const char c = text[i];
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";  // so that "]]>" never appears either
    else if (c == '"' && attribute) out += "&quot;";
    else if (c == '\'' && attribute) out += "&apos;";
    else if (c == '\n' && attribute) out += "&#10;";
    else if (c == '\r') out += "&#13;";
    else if (c == '\t' && attribute) out += "&#9;";
    else out.append(text, i, length);
    i += length;
  }
  return out;
}

bool write_junit_report(const char* path, const JunitTestCase& test) {
  const std::string name = xml_escaped(test.name, true);
  const std::string time = seconds_text(test.seconds);
  std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  xml += "<testsuite name=\"corvane\" tests=\"1\" failures=\"" +
         std::string(!test.error && !test.failures.empty() ? "1" : "0") + "\" errors=\"" +
         (test.error ? "1" : "0") + "\" skipped=\"0\" time=\"" + time + "\">\n";
  xml += "  <testcase name=\"" + name + "\" classname=\"corvane\" time=\"" + time + "\">\n";
  if (test.error) {
    xml += "    <error message=\"" + xml_escaped(test.error_message, true) + "\" type=\"error\">" +
           xml_escaped(test.error_detail, false) + "</error>\n";
  }
  for (const JunitFailure& f : test.failures) {
    xml += "    <failure message=\"" + xml_escaped(f.message, true) +
           "\" type=\"expectation\">" + xml_escaped(f.detail, false) + "</failure>\n";
  }
  xml += "    <system-out>";
  for (const std::string& line : test.output) xml += xml_escaped(line, false) + "\n";
  xml += "</system-out>\n  </testcase>\n</testsuite>\n";

  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  const bool written = std::fwrite(xml.data(), 1, xml.size(), file) == xml.size();
  return std::fclose(file) == 0 && written;
}
