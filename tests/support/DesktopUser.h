#pragma once
// Linux: this process's nice rights made those of a desktop user, who has
// no CAP_SYS_NICE and an RLIMIT_NICE of 0: a thread's nice value may go up
// but never back down. Meant for a death test's child, which has one
// thread, since capabilities belong to the thread that sets them (and to
// the threads it makes afterwards).
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

inline bool BecomeDesktopUser() {
    const rlimit none{0, 0};
    if (setrlimit(RLIMIT_NICE, &none) != 0) return false;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
    if (syscall(SYS_capget, &header, data) != 0) return false;
    auto& word = data[CAP_TO_INDEX(CAP_SYS_NICE)];
    word.effective &= ~CAP_TO_MASK(CAP_SYS_NICE);
    word.permitted &= ~CAP_TO_MASK(CAP_SYS_NICE);
    word.inheritable &= ~CAP_TO_MASK(CAP_SYS_NICE);
    return syscall(SYS_capset, &header, data) == 0;
}

// The highest nice value among this process's threads, from /proc.
inline int HighestThreadNice() {
    int highest = -21;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream stat(task.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // The fields after the command's closing parenthesis: state is the
        // 3rd, nice the 19th.
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string field;
        for (int i = 3; i <= 19 && fields >> field; ++i) {
        }
        highest = std::max(highest, std::stoi(field));
    }
    return highest;
}
