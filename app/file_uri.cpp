#include "app/file_uri.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace psa {

namespace {

bool equalsIgnoringCase(std::string_view text, std::string_view lowerCase)
{
    return text.size() == lowerCase.size()
        && std::equal(text.begin(), text.end(), lowerCase.begin(),
            [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

FileUriPath malformed()
{
    return { FileUriPath::Kind::Malformed, {}, {} };
}

} // namespace

FileUriPath readFileUri(std::string_view argument)
{
    constexpr std::string_view kScheme = "file:";
    if (argument.size() <= kScheme.size() || !equalsIgnoringCase(argument.substr(0, kScheme.size()), kScheme)
        || argument[kScheme.size()] != '/')
        return {};
    std::string_view rest = argument.substr(kScheme.size());

    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const std::size_t pathStart = std::min(rest.find('/'), rest.size());
        const std::string_view host = rest.substr(0, pathStart);
        rest.remove_prefix(pathStart);
        if (!host.empty() && !equalsIgnoringCase(host, "localhost"))
            return { FileUriPath::Kind::OtherComputer, {}, std::string(host) };
    }
    // A file name's own '?' and '#' are escaped in a URI; bare ones would cut the name short.
    if (rest.empty() || rest.find_first_of("?#") != std::string_view::npos)
        return malformed();

    std::string path;
    path.reserve(rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path += rest[i];
            continue;
        }
        const int high = i + 2 < rest.size() ? hexDigit(rest[i + 1]) : -1;
        const int low = i + 2 < rest.size() ? hexDigit(rest[i + 2]) : -1;
        // A zero byte would end the name early at the system's calls.
        if (high < 0 || low < 0 || (high == 0 && low == 0))
            return malformed();
        path += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return { FileUriPath::Kind::Local, std::move(path), {} };
}

} // namespace psa
