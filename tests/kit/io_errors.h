// SPDX-License-Identifier: MIT
// The one check of an expected I/O error: the action throws EInOutError with this code and text.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "base/errors.h"

namespace enclova::testing {

template <typename Action>
::testing::AssertionResult ThrowsInOutError(Action&& action, int code, std::string_view text) {
  try {
    action();
  } catch (const EInOutError& e) {
    if (e.ErrorCode == code && std::string_view(e.what()) == text) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "EInOutError " << e.ErrorCode << " \"" << e.what()
                                         << "\", expected " << code << " \"" << text << "\"";
  }
  return ::testing::AssertionFailure()
         << "no error, expected EInOutError " << code << " \"" << text << "\"";
}

}  // namespace enclova::testing
