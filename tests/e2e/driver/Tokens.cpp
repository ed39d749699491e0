#include "Tokens.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace e2e {

bool SplitWords(const std::string& line, std::vector<std::string>& words, std::string& error)
{
    words.clear();
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (i < n) {
        while (i < n && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= n)
            break;
        std::string word;
        if (line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < n) {
                const char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < n && (line[i] == '"' || line[i] == '\\'))
                    word += line[i++];
                else
                    word += c;
            }
            if (!closed) {
                error = "unterminated quote";
                return false;
            }
        } else {
            while (i < n && line[i] != ' ' && line[i] != '\t')
                word += line[i++];
        }
        words.push_back(word);
    }
    return true;
}

bool ParseNumber(const std::string& word, long& value)
{
    if (word.empty())
        return false;
    const bool hex = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
    const char* begin = word.c_str();
    char* end = nullptr;
    errno = 0;
    const long v = hex ? static_cast<long>(std::strtoul(begin + 2, &end, 16)) : std::strtol(begin, &end, 10);
    if (errno != 0 || end == begin || *end != '\0' || (hex && end == begin + 2))
        return false;
    value = v;
    return true;
}

bool ParseTimeFactor(const std::string& text, double& factor)
{
    std::size_t digits = 0;
    std::size_t points = 0;
    for (const char c : text) {
        if (c == '.')
            ++points;
        else if (std::isdigit(static_cast<unsigned char>(c)))
            ++digits;
        else
            return false;
    }
    if (digits == 0 || points > 1)
        return false;
    const double value = std::strtod(text.c_str(), nullptr);
    if (!(value > 0.0))
        return false;
    factor = value;
    return true;
}

}  // namespace e2e
