#pragma once
// A small network of our own, of namespaces and veth pairs, where the real
// platform code meets the real kernel without touching any other network:
//
//   client 10.77.1.2 --- 10.77.1.1 router 10.77.2.1 --- 10.77.2.2 target
//                                         10.77.3.1 --- 10.77.3.2 quiet
//
// The target's kernel answers echoes; the quiet one leaves them to a test.
// The router rejects 10.77.9.0/24 as unreachable and has no route for
// anything else. Names carry our pid; a new lab first removes what a crashed
// run left behind. A LabSuite builds one lab for its tests, which skip with
// the reason when none can be built.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/NetworkServices.h"

namespace velmora::test {

inline constexpr std::uint32_t kClient = AddressFromOctets(10, 77, 1, 2);
inline constexpr std::uint32_t kRouter = AddressFromOctets(10, 77, 1, 1);
inline constexpr std::uint32_t kTarget = AddressFromOctets(10, 77, 2, 2);
inline constexpr std::uint32_t kQuiet = AddressFromOctets(10, 77, 3, 2);
inline constexpr std::uint32_t kUnreachable = AddressFromOctets(10, 77, 9, 1);
inline constexpr std::uint32_t kNoRoute = AddressFromOctets(10, 78, 0, 1);

enum class Node { Client, Router, Target, Quiet };

class NamespaceLab {
public:
    // Throws std::runtime_error naming the command that failed.
    NamespaceLab();
    ~NamespaceLab();
    NamespaceLab(const NamespaceLab&) = delete;
    NamespaceLab& operator=(const NamespaceLab&) = delete;

    std::string Name(Node node) const;
    // Runs `work` on a thread that has entered the node's namespace.
    void RunIn(Node node, const std::function<void()>& work) const;
    // Why this process cannot build a lab, or empty when it can.
    static std::string WhyUnavailable();

private:
    void Build();
    void Remove() const;

    const std::string prefix_;
};

template <typename Base = testing::Test>
class LabSuite : public Base {
protected:
    static void SetUpTestSuite() {
        skipReason_ = NamespaceLab::WhyUnavailable();
        if (!skipReason_.empty()) return;
        try {
            lab_ = std::make_unique<NamespaceLab>();
        } catch (const std::exception& error) {
            buildFailure_ = error.what();
        }
    }
    static void TearDownTestSuite() { lab_.reset(); }

    void SetUp() override {
        if (!skipReason_.empty()) GTEST_SKIP() << skipReason_;
        ASSERT_TRUE(lab_) << "cannot build the namespaces: " << buildFailure_;
    }

    static inline std::unique_ptr<NamespaceLab> lab_;
    static inline std::string skipReason_;
    static inline std::string buildFailure_;
};

}  // namespace velmora::test
