// A visitor made of lambdas, one for each alternative of a std::variant.
#pragma once

namespace vexvalidator {

template <class... Visitors>
struct Overloaded : Visitors... {
  using Visitors::operator()...;
};

}  // namespace vexvalidator
