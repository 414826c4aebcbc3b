// Every test program of this folder runs its tests inside an OLE apartment,
// as the program itself does after AfxOleInit.
#pragma once

#include <gtest/gtest.h>

#include "framework/afx_types.h"

namespace test_win32 {

class OleEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr))); }
    void TearDown() override { ::OleUninitialize(); }
};

}  // namespace test_win32
