#include "main/droproot.h"

#include <array>
#include <cstdio>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace {

// Supplementary groups of the corvand user on the board.
constexpr std::array<gid_t, 10> kGroups{1040, 29, 1002, 100, 3003, 20024, 20022, 1013, 1008, 20026};

}  // namespace

int corvand_droproot(void)
{
    const passwd* user = getpwnam("corvand");
    if (user == nullptr) {
        printf("<corvand>get usrname fail!\n");
        return -1;
    }
    const uid_t uid = user->pw_uid;
    const group* grp = getgrnam("system");
    if (grp == nullptr) {
        printf("<corvand>get grpname fail!\n");
        return -1;
    }
    if (geteuid() != 0) {
        printf("<corvand>corvand no need to drop root!\n");
        return 0;
    }
    printf("<corvand>corvand need root drop!\n");
    if (setgid(grp->gr_gid) != 0) {
        printf("<corvand>set gid fail!\n");
    }
    if (setgroups(kGroups.size(), kGroups.data()) != 0) {
        printf("<corvand>init grp fail!\n");
    }
    if (setuid(uid) != 0) {
        printf("<corvand>set uid fail!\n");
    }
    return 0;
}
