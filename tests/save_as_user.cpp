// Saves the records or the graph of SaveRig to a path as an ordinary user would: started as root, it first
// becomes the user "nobody". Used by test_save_as_user, which prepares folders and files that root owns.
//
//     save_as_user records|bitmap PATH [FILE-SIZE-LIMIT]
//
// Prints the messages shown (none after a successful save) and exits with 0; 2 when it could not set itself
// up, with the reason on the standard error.

#include "support/save_rig.h"

#include <QGuiApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

int setupFailed(const char *what)
{
    std::fprintf(stderr, "save_as_user: %s\n", what);
    return 2;
}

// Drops every privilege of root for good: groups, group and user, in that order.
bool becomeNobody()
{
    const passwd *nobody = ::getpwnam("nobody");
    if (!nobody || nobody->pw_uid == 0)
        return false;
    if (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0)
        return false;
    return ::setuid(0) != 0 && ::geteuid() == nobody->pw_uid;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3 || (std::strcmp(argv[1], "records") != 0 && std::strcmp(argv[1], "bitmap") != 0))
        return setupFailed("usage: save_as_user records|bitmap PATH [FILE-SIZE-LIMIT]");
    if (::geteuid() == 0 && !becomeNobody())
        return setupFailed("could not become the user nobody");
    // Root's runtime folder is no longer ours.
    ::unsetenv("XDG_RUNTIME_DIR");

    QGuiApplication app(argc, argv);
    psa::testing::SaveRig rig;
    if (argc > 3) {
        // A write beyond the limit fails with EFBIG instead of ending the process.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit {};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = std::strtoul(argv[3], nullptr, 10);
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return setupFailed("could not limit the file size");
    }
    const bool records = std::strcmp(argv[1], "records") == 0;
    const QString shown = rig.save(
        records ? &psa::Form1::Command3_Click : &psa::Form1::Command2_Click, QString::fromLocal8Bit(argv[2]));
    std::fputs(shown.toUtf8().constData(), stdout);
    return 0;
}
