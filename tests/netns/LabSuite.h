#pragma once
// A test suite that shares one lab: built before its first test and removed
// after its last; each test skips with the reason when no lab can be built.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/netns/NamespaceLab.h"

namespace velmora::test {

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
