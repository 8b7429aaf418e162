#pragma once

#include <QFile>

#include <cstdlib>
#include <grp.h>
#include <unistd.h>

// While it lives, the test process meets file permissions as an ordinary user
// does: run as root (as CI runs), it takes the effective ids of "nobody".
struct OrdinaryUser {
    static constexpr uid_t kNobody = 65534;
    const bool root = ::geteuid() == 0;
    const bool active = !root || (::setgroups(0, nullptr) == 0 && ::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0);
    ~OrdinaryUser() {
        if (root && (::seteuid(0) != 0 || ::setegid(0) != 0))
            std::abort(); // the other tests would run with the wrong rights
    }
};

// Gives a file, or a link itself, to "nobody": only root can.
inline bool giveToNobody(const QString &path) {
    return ::lchown(QFile::encodeName(path).constData(), OrdinaryUser::kNobody, OrdinaryUser::kNobody) == 0;
}
