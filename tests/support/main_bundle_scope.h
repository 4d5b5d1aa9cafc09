#pragma once
// Keeps the application's main bundle for one test: the bundle in place when
// the object is made is put back when it goes away, whatever the test set in
// between. A member declared before the others outlives SetUp and TearDown.

#include "system/bundle.h"

namespace sorvant::test {

class MainBundleScope
{
public:
    MainBundleScope() : m_saved(Bundle::mainBundle()) {}
    ~MainBundleScope() { Bundle::setMainBundle(m_saved); }
    MainBundleScope(const MainBundleScope&) = delete;
    MainBundleScope& operator=(const MainBundleScope&) = delete;

private:
    Bundle m_saved;
};

} // namespace sorvant::test
