#include "core/PublicFuncs.h"

#include "core/Numeric.h"
#include "platform/IniText.h"

#include <algorithm>
#include <cstdlib>

namespace PublicFuncs {

namespace {

// 1-based position of match in text at or after start, 0 when absent; an empty match
// is found at start itself.
int32_t position(std::string_view text, std::string_view match, int32_t start, int compare)
{
    if (start < 1 || size_t(start) > text.size() + 1) return 0;
    const size_t from = size_t(start - 1);
    const size_t found = compare == vbTextCompare ? IniText::FindText(text, match, from) : text.find(match, from);
    return found == std::string_view::npos ? 0 : int32_t(found + 1);
}

int32_t scaledComponent(int32_t value, int16_t percent)
{
    return Numeric::CLng(percent / 100.0 * value) & 255;
}

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

} // namespace

int32_t ScaleColour(int32_t colour, int16_t percent)
{
    const int32_t blue = colour / 65536;  // truncates, as integer division does
    const int32_t green = (colour / 256) & 255;
    const int32_t red = colour & 255;
    return scaledComponent(blue, percent) * 65536 + scaledComponent(green, percent) * 256 +
           scaledComponent(red, percent);
}

std::string PadString(std::string_view text, int32_t width, std::string_view pad)
{
    const std::string_view trimmed = trimBlanks(text);
    const int64_t missing = int64_t(width) - int64_t(trimmed.size());
    if (missing <= 0 || pad.empty()) return std::string(trimmed);
    return std::string(size_t(missing), pad.front()) + std::string(trimmed);
}

std::string PadNumber(int64_t number, int32_t width, std::string_view pad)
{
    // The magnitude as unsigned, so that the most negative number has one too.
    const uint64_t magnitude = number < 0 ? 0 - uint64_t(number) : uint64_t(number);
    return PadString(std::to_string(magnitude), width, pad);
}

std::string NextToken(std::string& work, std::string_view delimiter, int compare)
{
    const int32_t found = position(work, delimiter, 1, compare);
    if (found == 0) return "";
    std::string token = work.substr(0, size_t(found - 1));
    work.erase(0, size_t(found - 1) + delimiter.size());
    return token;
}

std::vector<std::string> Split(std::string_view expression, std::string_view delimiter, int32_t limit, int compare)
{
    std::string work(expression);
    std::vector<std::string> elements;
    std::string token = NextToken(work, delimiter, compare);
    do {
        elements.push_back(token);
        if (limit != -1 && int64_t(elements.size()) >= limit) break;
        token = NextToken(work, delimiter, vbBinaryCompare);
    } while (!token.empty());
    elements.push_back(work);
    return elements;
}

std::string StrReverse(std::string_view text) { return std::string(text.rbegin(), text.rend()); }

int32_t InStrRev(std::string_view text, std::string_view match, int32_t start, int compare)
{
    const int32_t found = position(StrReverse(text), StrReverse(match), start, compare);
    if (found == 0) return 0;
    return int32_t(text.size()) - found - int32_t(match.size()) + 2;
}

std::string Replace(std::string_view expression, std::string_view find, std::string_view replacement,
                    int32_t start, int32_t count, int compare)
{
    std::string work(expression);
    if (find.empty()) return work;
    int32_t replaced = 0;
    for (int32_t found = position(work, find, start, compare); found != 0;) {
        work.replace(size_t(found - 1), find.size(), replacement);
        if (count != -1 && ++replaced >= count) break;
        found = position(work, find, found + int32_t(replacement.size()), compare);
    }
    return work;
}

} // namespace PublicFuncs
