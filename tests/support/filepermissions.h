#pragma once

// Root ignores file permissions, so a read-only folder would not stop the program in a
// test run as root. While a FilePermissionsObeyed lives, this process gives up the two
// capabilities that override them (they stay permitted and come back at its end), so
// that a read-only folder or file is read-only for it too. Nothing changes for other users.

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

class FilePermissionsObeyed
{
public:
    FilePermissionsObeyed() { m_changed = setOverride(false); }
    ~FilePermissionsObeyed()
    {
        if (m_changed)
            setOverride(true);
    }
    FilePermissionsObeyed(const FilePermissionsObeyed &) = delete;
    FilePermissionsObeyed &operator=(const FilePermissionsObeyed &) = delete;

private:
    static bool setOverride(bool on)
    {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2]{};
        if (syscall(SYS_capget, &header, data) != 0)
            return false;
        constexpr __u32 bits = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
        if (!on && (data[0].effective & bits) == 0)
            return false; // an ordinary user: nothing to give up
        data[0].effective = on ? (data[0].effective | (data[0].permitted & bits)) : (data[0].effective & ~bits);
        return syscall(SYS_capset, &header, data) == 0;
    }

    bool m_changed = false;
};
