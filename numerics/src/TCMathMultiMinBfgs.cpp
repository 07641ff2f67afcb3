// BFGS minimisation with a trial step, an interpolating shrink and a
// bracketed line minimisation per iteration.
#include <tarvekmath/TCMathMultiMinBfgs.h>

#include <cmath>
#include <limits>

namespace
{
using Math::ublas::inner_prod;
using Math::ublas::norm_2;

constexpr double kConvergedGradientNorm = 0.001;
constexpr double kSmallestStep = 1e-50;
constexpr double kGolden = 0.38;       // golden-section fraction of the larger part of the bracket
constexpr double kParabolaLimit = 0.5; // a parabolic step must be shorter than this times the step before last
constexpr int kLineEvaluations = 30;   // budget of one line minimisation

struct GradientLengthFault
{
};

class Functions
{
public:
  Functions(const TCMathMultiMinBfgs::MMFunctions& fns, size_t n) : m_fns(fns), m_n(n) {}

  double F(const Math::Vector& x) const { return m_fns.f(x); }
  Math::Vector Df(const Math::Vector& x) const
  {
    Math::Vector g = m_fns.df(x);
    if (g.size() != m_n)
      throw GradientLengthFault{};
    return g;
  }
  void Fdf(const Math::Vector& x, double* f, Math::Vector* g) const
  {
    if (!m_fns.fdf)
    {
      *f = F(x);
      *g = Df(x);
      return;
    }
    *g = Math::Vector(m_n, 0.0);
    m_fns.fdf(x, f, g);
    if (g->size() != m_n)
      throw GradientLengthFault{};
  }

private:
  const TCMathMultiMinBfgs::MMFunctions& m_fns;
  size_t m_n;
};

struct State
{
  Math::Vector x, g, p, x0, g0;
  double f = 0.0;
  double pnorm = 0.0, g0norm = 0.0;
  double step = 0.0; // trial step length
  size_t sinceRestart = 0;
};

// Minimises φ(t) = f(x − t·λ·p) over the bracket a < b < c (φ(b) below both
// ends) by golden-section steps and parabolic steps through the three lowest
// points (Brent's safeguards: a parabolic step must land inside the bracket
// and be shorter than half the step before last, else a golden step of 0.38
// of the larger part is taken). It ends when the gradient at the best point
// is nearly orthogonal to the line, |λ·p·g| < tolerance·‖g‖, when the
// bracket cannot be resolved further or after kLineEvaluations evaluations.
// On return st holds the best point, its value and gradient, and the length
// of the step to it.
void LineMinimize(const Functions& fn, double lambda, double a, double fa, double b, double fb, double c, double fc,
                  double tolerance, State* st)
{
  const Math::Vector origin = st->x;
  const Math::Vector& p = st->p;
  auto pointAt = [&](double t) { return Math::Vector(origin - (t * lambda) * p); };

  double tBest = b, fBest = fb;
  Math::Vector xBest = pointAt(b);
  Math::Vector g = fn.Df(xBest);
  // Second and third lowest points, for the parabolas.
  double tw = fa <= fc ? a : c, fw = fa <= fc ? fa : fc;
  double tv = fa <= fc ? c : a, fv = fa <= fc ? fc : fa;
  double lastStep = 0.0, stepBeforeLast = 0.0;
  const double eps = std::sqrt(std::numeric_limits<double>::epsilon());

  for (int evaluation = 0; evaluation < kLineEvaluations; ++evaluation)
  {
    const double gnorm = norm_2(g);
    if (!(std::abs(lambda * inner_prod(p, g)) >= tolerance * gnorm))
      break; // also for a zero gradient
    const double resolution = eps * std::abs(tBest) + 1e-300;
    if (c - a <= 2.0 * resolution)
      break;
    const double mid = 0.5 * (a + c);
    bool parabolic = false;
    if (std::abs(stepBeforeLast) > resolution)
    {
      const double r = (tBest - tw) * (fBest - fv);
      double q = (tBest - tv) * (fBest - fw);
      double num = (tBest - tv) * q - (tBest - tw) * r;
      q = 2.0 * (q - r);
      if (q > 0.0)
        num = -num;
      q = std::abs(q);
      if (q != 0.0 && std::abs(num) < std::abs(kParabolaLimit * q * stepBeforeLast) && num > q * (a - tBest) &&
          num < q * (c - tBest))
      {
        stepBeforeLast = lastStep;
        lastStep = num / q;
        parabolic = true;
      }
    }
    if (!parabolic)
    {
      stepBeforeLast = tBest >= mid ? a - tBest : c - tBest;
      lastStep = kGolden * stepBeforeLast;
    }
    if (std::abs(lastStep) < resolution)
      lastStep = lastStep < 0.0 ? -resolution : resolution;
    const double t = tBest + lastStep;
    const Math::Vector xt = pointAt(t);
    const double ft = fn.F(xt);
    if (ft < fBest)
    {
      if (t < tBest)
        c = tBest;
      else
        a = tBest;
      tv = tw;
      fv = fw;
      tw = tBest;
      fw = fBest;
      tBest = t;
      fBest = ft;
      xBest = xt;
      g = fn.Df(xt);
    }
    else
    {
      if (t < tBest)
        a = t;
      else
        c = t;
      if (ft <= fw || tw == tBest)
      {
        tv = tw;
        fv = fw;
        tw = t;
        fw = ft;
      }
      else if (ft <= fv || tv == tBest || tv == tw)
      {
        tv = t;
        fv = ft;
      }
    }
  }
  st->x = xBest;
  st->f = fBest;
  st->g = g;
  st->step = tBest;
}

void Iterate(const Functions& fn, double tolerance, State* st)
{
  if (st->pnorm == 0.0 || st->g0norm == 0.0)
    return; // no direction to move along
  const double pg = inner_prod(st->p, st->g);
  const double dir = pg >= 0.0 ? 1.0 : -1.0;
  const double lambda = dir / st->pnorm; // points x − t·λ·p, t the distance moved
  auto pointAt = [&](double t) { return Math::Vector(st->x - (t * lambda) * st->p); };

  double stepc = st->step;
  Math::Vector xc = pointAt(stepc);
  double fc = fn.F(xc);
  if (fc < st->f)
  {
    // The trial step lowers f: take it and try twice as far next time.
    st->x = xc;
    st->f = fc;
    st->g = fn.Df(xc);
    st->g0norm = norm_2(st->g);
    st->step = 2.0 * stepc;
    return;
  }

  // Shrink the step to the minimum of the parabola through f(0), the slope
  // there and f(w) until f decreases.
  double w = stepc, fw = fc;
  for (;;)
  {
    const double u = std::abs(w * lambda * pg);
    w = 0.5 * w * u / (fw - st->f + u);
    if (!(w >= kSmallestStep))
      return; // no progress possible along this direction
    const double fb = fn.F(pointAt(w));
    if (fb < st->f)
    {
      LineMinimize(fn, lambda, 0.0, st->f, w, fb, stepc, fc, tolerance, st);
      break;
    }
    stepc = w;
    fc = fb;
    fw = fb;
  }

  // New direction: the gradient every n iterations, else the BFGS update.
  const size_t n = st->x.size();
  st->sinceRestart = (st->sinceRestart + 1) % n;
  if (st->sinceRestart == 0)
    st->p = st->g;
  else
  {
    const Math::Vector dx = st->x - st->x0;
    const Math::Vector dg = st->g - st->g0;
    const double dxg = inner_prod(dx, st->g), dgg = inner_prod(dg, st->g), dxdg = inner_prod(dx, dg);
    const double dgnorm = norm_2(dg);
    double a = 0.0, b = 0.0;
    if (dxdg != 0.0)
    {
      b = dxg / dxdg;
      a = dgg / dxdg - b * (1.0 + dgnorm * dgnorm / dxdg);
    }
    st->p = st->g - a * dx - b * dg;
  }
  st->x0 = st->x;
  st->g0 = st->g;
  st->pnorm = norm_2(st->p);
  st->g0norm = norm_2(st->g0);
}
} // namespace

TCMathMultiMinBfgs::TCMathMultiMinBfgs(double tolerance, int maxIterations)
  : m_tolerance(tolerance), m_maxIterations(maxIterations)
{
}

bool TCMathMultiMinBfgs::Minimize(MMFunctions* functions, Math::Vector* x, double* fx, bool* converged,
                                  int* iterations) const
{
  if (converged != nullptr)
    *converged = false;
  if (iterations != nullptr)
    *iterations = 0;
  if (x == nullptr || x->size() == 0 || functions == nullptr || !functions->f || !functions->df)
    return false;
  const Functions fn(*functions, x->size());
  State st;
  bool done = false;
  int count = 0;
  try
  {
    st.x = *x;
    fn.Fdf(st.x, &st.f, &st.g);
    st.p = st.g;
    st.pnorm = norm_2(st.p);
    st.g0norm = norm_2(st.g);
    st.x0 = st.x;
    st.g0 = st.g;
    const double xnorm = norm_2(st.x);
    // From the origin 0.1·‖x‖ would be a null step that never moves.
    st.step = xnorm == 0.0 ? 0.1 : 0.1 * xnorm;
    while (count < m_maxIterations)
    {
      Iterate(fn, m_tolerance, &st);
      ++count;
      done = norm_2(st.g) < kConvergedGradientNorm;
      if (done)
        break;
    }
  }
  catch (const GradientLengthFault&)
  {
    return false;
  }
  *x = st.x;
  if (fx != nullptr)
    *fx = st.f;
  if (converged != nullptr)
    *converged = done;
  if (iterations != nullptr)
    *iterations = count;
  return true;
}
