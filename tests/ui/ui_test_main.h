// Registration of the test classes that the one test program runs.
#pragma once

#include <QObject>
#include <QtTest>

#include <functional>
#include <vector>

namespace qb::test {

struct TestClassEntry {
    const char* name;
    std::function<QObject*()> make;
};

std::vector<TestClassEntry>& TestClasses();

struct RegisterTestClass {
    RegisterTestClass(const char* name, std::function<QObject*()> make) {
        TestClasses().push_back({name, std::move(make)});
    }
};

} // namespace qb::test

#define QB_TEST_CLASS(Class)                                                                       \
    static const ::qb::test::RegisterTestClass kRegister##Class(#Class, [] { return new Class; })
