// Every test thread is a single-threaded apartment, as a macro host's main thread is. Included by exactly one
// source file of each test program.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

namespace korvel::test {

class ApartmentEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  void TearDown() override { CoUninitialize(); }
};

inline const auto* const apartment_environment = ::testing::AddGlobalTestEnvironment(new ApartmentEnvironment);

}  // namespace korvel::test
