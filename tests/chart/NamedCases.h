#pragma once
// Tables of checkpoints as parameterised tests: every case carries a Name,
// which names its test and stands for the case in failure messages.
#include <gtest/gtest.h>

#include <concepts>
#include <ostream>
#include <string>

struct CaseName
{
    template <class P>
    std::string operator()(const ::testing::TestParamInfo<P>& info) const
    {
        return info.param.Name;
    }
};

// In the file's own unnamed namespace, where its case types live.
namespace {

template <class C>
    requires requires(const C& c) {
        { c.Name } -> std::convertible_to<const char*>;
    }
std::ostream& operator<<(std::ostream& os, const C& c)
{
    return os << c.Name;
}

} // namespace
