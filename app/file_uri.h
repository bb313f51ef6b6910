#pragma once

#include <string>
#include <string_view>

namespace psa {

// A file name given on the command line as a file URI, as some launchers pass it.
struct FileUriPath {
    enum class Kind {
        NotUri, // an ordinary file name: it does not start with "file:/"
        Local, // a file of this computer; `path` holds its bytes
        OtherComputer, // a host other than "localhost"; `host` names it
        Malformed, // a broken %-escape, an escaped zero byte, a query or fragment, or no path
    };
    Kind kind = Kind::NotUri;
    std::string path;
    std::string host;
};

// Reads "file:///p", "file://localhost/p" (the host in any case) and "file:/p" (the scheme in any case) as
// the local path /p, each %XX escape standing for the one byte XX, so that a name that is no UTF-8 comes
// through unchanged; other bytes are taken as they are. Only text starting with "file:/" is a URI: "file:x"
// is an ordinary relative name.
[[nodiscard]] FileUriPath readFileUri(std::string_view argument);

} // namespace psa
