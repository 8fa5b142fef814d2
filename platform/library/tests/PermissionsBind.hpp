#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace keepsift::foldertest {

// Permission bits bind a superuser too while this lives: the calling thread, and threads it
// starts, lose the right to read past them, as another user's folders are closed to the user.
class PermissionsBind {
public:
    PermissionsBind() {
        ::syscall(SYS_capget, &header_, saved_);
        __user_cap_data_struct bound[2] = {saved_[0], saved_[1]};
        bound[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        ::syscall(SYS_capset, &header_, bound);
    }
    ~PermissionsBind() { ::syscall(SYS_capset, &header_, saved_); }
    PermissionsBind(const PermissionsBind&) = delete;
    PermissionsBind& operator=(const PermissionsBind&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
};

} // namespace keepsift::foldertest
