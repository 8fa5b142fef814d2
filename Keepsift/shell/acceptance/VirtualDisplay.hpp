#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>

namespace keepsift::testing {

// An X server of the test's own (Xvfb, 1280x1024 at 24 bits) on the first free display, that
// only holders of its cookie may use. It ends with the object, and with the thread that made
// it when that is killed.
class VirtualDisplay {
public:
    static bool canStart();

    // Keeps the cookie and the server's output in `folder`; throws when the server does not
    // start.
    explicit VirtualDisplay(const std::filesystem::path& folder);
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // For DISPLAY, such as ":3".
    const std::string& name() const { return name_; }
    // For XAUTHORITY.
    const std::filesystem::path& authority() const { return authority_; }
    // Points this process's later X clients at the display.
    void useIt() const;

private:
    void stop();

    std::filesystem::path authority_;
    std::string name_;
    pid_t server_ = -1;
};

} // namespace keepsift::testing
