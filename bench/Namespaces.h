#pragma once
// Network namespaces of a benchmark's own: made with `ip netns add`, entered
// by the threads that measure in them, and deleted when the benchmark is done.

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>

namespace velmora::bench {

// Runs a shell command; throws naming it when it fails.
inline void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

// Moves the calling thread, and the threads and processes it starts later,
// into a network namespace made with `ip netns add`; false when it cannot.
inline bool EnterNamespace(const std::string& name) {
    const int fd = ::open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
    const bool entered = fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
    if (fd >= 0) ::close(fd);
    return entered;
}

// A namespace named `stem` and this process's id, deleted when this goes.
// Made as its owner's first member, it is deleted too when the rest of the
// owner's setup throws.
class OwnedNamespace {
public:
    explicit OwnedNamespace(const std::string& stem) : name_(stem + std::to_string(::getpid())) {
        Run("ip netns add " + name_);
    }
    // One left behind is named, so that it can be deleted by hand.
    ~OwnedNamespace() {
        if (std::system(("ip netns del " + name_ + " 2>/dev/null").c_str()) != 0) {
            std::cerr << "could not delete the namespace " << name_ << "\n";
        }
    }
    OwnedNamespace(const OwnedNamespace&) = delete;
    OwnedNamespace& operator=(const OwnedNamespace&) = delete;

    const std::string& Name() const { return name_; }

    // Enters it from the calling thread, as EnterNamespace does; throws when it cannot.
    void Enter() const {
        if (!EnterNamespace(name_)) throw std::runtime_error("cannot enter the namespace " + name_);
    }

private:
    const std::string name_;
};

}  // namespace velmora::bench
