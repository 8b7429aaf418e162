#pragma once

#include <QFile>
#include <QString>

#include <grp.h>
#include <unistd.h>
#include <vector>

// For as long as it lives, the test process meets file permissions as an
// ordinary user does: run as root (as CI runs), it takes the effective user
// and group "nobody" and drops its other groups; run as anyone else, it is
// an ordinary user already. Files the test makes as root become "nobody"'s
// through own().
class OrdinaryUser {
public:
    static constexpr uid_t kNobody = 65534;

    OrdinaryUser() : m_root(::geteuid() == 0) {
        if (!m_root)
            return;
        m_groups.resize(::getgroups(0, nullptr));
        ::getgroups(int(m_groups.size()), m_groups.data());
        m_active = ::setgroups(0, nullptr) == 0 && ::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0;
    }
    ~OrdinaryUser() {
        if (!m_root)
            return;
        if (::seteuid(0) != 0 || ::setegid(0) != 0 || ::setgroups(m_groups.size(), m_groups.data()) != 0)
            std::abort(); // the other tests would run with the wrong rights
    }
    bool active() const { return m_active; }

    // Gives a file (or a link itself) to the ordinary user; only root can,
    // and only root needs to.
    static bool own(const QString &path) { return ::geteuid() != 0 || giveTo(path, kNobody); }
    static bool giveTo(const QString &path, uid_t user) {
        return ::lchown(QFile::encodeName(path).constData(), user, user) == 0;
    }

private:
    bool m_root;
    bool m_active = true;
    std::vector<gid_t> m_groups;
};
