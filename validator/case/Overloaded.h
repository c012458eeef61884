// A visitor made of lambdas, one for each alternative of a std::variant.
#pragma once

namespace vexvalidator {

template <class... Visitors>
struct Overloaded : Visitors... {
  using Visitors::operator()...;
};
// Spelled out for compilers that do not yet deduce an aggregate's arguments.
template <class... Visitors>
Overloaded(Visitors...) -> Overloaded<Visitors...>;

}  // namespace vexvalidator
