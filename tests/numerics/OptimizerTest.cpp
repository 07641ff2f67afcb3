#include <cmath>
#include <functional>

#include <gtest/gtest.h>

#include <tarvekmath/TCMathMultiMinBfgs.h>
#include <tarvekmath/TCMathOptimizers.h>

#include "TestHelpers.h"

namespace
{
double Rosenbrock(const Math::Vector& x)
{
  return 100 * std::pow(x(1) - x(0) * x(0), 2) + std::pow(1 - x(0), 2);
}

Math::Vector RosenbrockGradient(const Math::Vector& x)
{
  return test::Vec({-400 * x(0) * (x(1) - x(0) * x(0)) - 2 * (1 - x(0)), 200 * (x(1) - x(0) * x(0))});
}

// f = ½xᵀAx − bᵀx with A = [[3, 1], [1, 2]], b = (1, −1): minimum A⁻¹b = (0.6, −0.8).
double Quadratic(const Math::Vector& x)
{
  return 0.5 * (3 * x(0) * x(0) + 2 * x(0) * x(1) + 2 * x(1) * x(1)) - (x(0) - x(1));
}

Math::Vector QuadraticGradient(const Math::Vector& x)
{
  return test::Vec({3 * x(0) + x(1) - 1, x(0) + 2 * x(1) + 1});
}

// Badly scaled: f = Σ wᵢ·(xᵢ − cᵢ)² with weights 1 … 1000.
const double kW[] = {1, 10, 100, 1000};
const double kC[] = {1, -2, 0.5, 3};
double Scaled(const Math::Vector& x)
{
  double s = 0;
  for (size_t i = 0; i < 4; ++i)
    s += kW[i] * (x(i) - kC[i]) * (x(i) - kC[i]);
  return s;
}

Math::Vector ScaledGradient(const Math::Vector& x)
{
  Math::Vector g(4);
  for (size_t i = 0; i < 4; ++i)
    g(i) = 2 * kW[i] * (x(i) - kC[i]);
  return g;
}

TCMathMultiMinBfgs::MMFunctions Functions(std::function<double(const Math::Vector&)> f,
                                          std::function<Math::Vector(const Math::Vector&)> df)
{
  TCMathMultiMinBfgs::MMFunctions fns;
  fns.f = f;
  fns.df = df;
  fns.fdf = [f, df](const Math::Vector& x, double* value, Math::Vector* g) {
    *value = f(x);
    *g = df(x);
  };
  return fns;
}
} // namespace

TEST(ConjugateGradient, MinimisesQuadraticsAndRosenbrock)
{
  auto f = [](double x) { return (x - 3) * (x - 3); };
  auto df = [](double x) { return 2 * (x - 3); };
  EXPECT_NEAR(TCMathOptimizers::ConjugateGradientMinimize(f, df, 0.0), 3.0, 1e-8);
  // Started at the minimum, where the gradient is exactly zero: returned as is.
  EXPECT_EQ(TCMathOptimizers::ConjugateGradientMinimize(f, df, 3.0), 3.0);

  const Math::Vector q = TCMathOptimizers::ConjugateGradientMinimize(Quadratic, QuadraticGradient, test::Vec({4, 4}));
  EXPECT_NEAR(q(0), 0.6, 1e-7);
  EXPECT_NEAR(q(1), -0.8, 1e-7);

  int evaluations = 0;
  const Math::Vector r = TCMathOptimizers::ConjugateGradientMinimize(
    [&evaluations](const Math::Vector& x) {
      ++evaluations;
      return Rosenbrock(x);
    },
    RosenbrockGradient, test::Vec({-1.2, 1}));
  EXPECT_NEAR(r(0), 1.0, 1e-5);
  EXPECT_NEAR(r(1), 1.0, 1e-5);
  EXPECT_LE(evaluations, 100 * 20 + 1);

  // A saddle point (x² − y² at the origin) is stationary too: no 0/0 direction.
  const Math::Vector s = TCMathOptimizers::ConjugateGradientMinimize(
    [](const Math::Vector& x) { return x(0) * x(0) - x(1) * x(1); },
    [](const Math::Vector& x) { return test::Vec({2 * x(0), -2 * x(1)}); }, test::Vec({0, 0}));
  EXPECT_EQ(s(0), 0.0);
  EXPECT_EQ(s(1), 0.0);
}

TEST(Bfgs, MinimisesScaledQuadraticAndRosenbrock)
{
  const TCMathMultiMinBfgs bfgs(1e-4, 500);
  auto scaled = Functions(Scaled, ScaledGradient);
  Math::Vector x = test::Vec({0.3, 0.3, 0.3, 0.3});
  double fx = -1;
  bool converged = false;
  int iterations = -1;
  ASSERT_TRUE(bfgs.Minimize(&scaled, &x, &fx, &converged, &iterations));
  EXPECT_TRUE(converged);
  EXPECT_LT(norm_2(ScaledGradient(x)), 1e-3);
  for (size_t i = 0; i < 4; ++i)
    EXPECT_NEAR(x(i), kC[i], 1e-3);
  EXPECT_EQ(fx, Scaled(x));
  EXPECT_GT(iterations, 0);
  EXPECT_LE(iterations, 500);

  auto rosen = Functions(Rosenbrock, RosenbrockGradient);
  rosen.fdf = nullptr; // f and df alone suffice
  x = test::Vec({-1.2, 1});
  ASSERT_TRUE(bfgs.Minimize(&rosen, &x, &fx, &converged, &iterations));
  EXPECT_TRUE(converged);
  EXPECT_LT(norm_2(RosenbrockGradient(x)), 1e-3);
  EXPECT_NEAR(x(0), 1.0, 1e-3);
  EXPECT_NEAR(x(1), 1.0, 2e-3);
}

TEST(Bfgs, StartsFromTheOriginAndSkipsNullOutputs)
{
  const TCMathMultiMinBfgs bfgs(1e-4, 200);
  auto scaled = Functions(Scaled, ScaledGradient);
  // From x = 0 a step of 0.1·‖x‖ would never move.
  Math::Vector x(4, 0.0);
  bool converged = false;
  ASSERT_TRUE(bfgs.Minimize(&scaled, &x, nullptr, &converged, nullptr));
  EXPECT_TRUE(converged);
  EXPECT_NEAR(x(3), kC[3], 1e-3);

  // Bad arguments: false, with the outputs reset.
  int iterations = 7;
  converged = true;
  Math::Vector empty(0);
  EXPECT_FALSE(bfgs.Minimize(&scaled, nullptr, nullptr, &converged, &iterations));
  EXPECT_FALSE(converged);
  EXPECT_EQ(iterations, 0);
  EXPECT_FALSE(bfgs.Minimize(&scaled, &empty, nullptr, nullptr, nullptr));
  auto wrongLength = Functions(Scaled, [](const Math::Vector&) { return Math::Vector(2, 1.0); });
  x = Math::Vector(4, 1.0);
  EXPECT_FALSE(bfgs.Minimize(&wrongLength, &x, nullptr, nullptr, nullptr));
}
