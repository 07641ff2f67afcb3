#pragma once
#include <complex>
#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include <boost/numeric/ublas/exception.hpp>

#include <general/TCGenPoint.h>
#include <tarvekmath/MathExport.h>
#include <tarvekmath/MathTypes.h>

/// Stateless vector and matrix operations on the uBLAS types of Math::Vector,
/// Math::Matrix and Math::SymmetricMatrix. Returned objects are new values owned
/// by the caller; functions taking a pointer write into the object pointed to.
/// Decompositions and solvers run on LAPACKE/CBLAS in row-major layout.
class TARVEKMATH_EXPORT TCMathUblasUtils
{
public:
  // ---- conversions (all copy) ----
  static Math::Vector Dblvec2Mathvec(const std::vector<double>& v);
  static std::vector<double> Mathvec2Dblvec(const Math::Vector& v);
  /// n×1 matrix (one column).
  static Math::Matrix DoubleVec2Matrix(const std::vector<double>& v);
  /// The first column, one value per row (empty for a matrix without columns).
  static std::vector<double> Matrix2DoubleVec(const Math::Matrix& m);

  // ---- reductions and builders ----
  static double Sum(const Math::Vector& v);
  static Math::Vector Diag(const Math::Matrix& m);
  static double Trace(const Math::Matrix& m);
  static Math::Vector SumOfCols(const Math::Matrix& m);
  static Math::Vector SumOfRows(const Math::Matrix& m);
  /// Column maxima; NaN for every column of a matrix without rows.
  static Math::Vector MaxOfCols(const Math::Matrix& m);
  static Math::Vector MinOfCols(const Math::Matrix& m);
  /// Row maxima; NaN for every row of a matrix without columns.
  static Math::Vector MaxOfRows(const Math::Matrix& m);
  static Math::Vector MinOfRows(const Math::Matrix& m);
  /// Column index (as double) of the first maximum of each row.
  static Math::Vector MaxIndexOfRows(const Math::Matrix& m);
  /// Row index (as double) of the first maximum of each column.
  static Math::Vector MaxIndexOfCols(const Math::Matrix& m);
  /// Index of the first maximum; 0 for an empty vector.
  static int MaxIndex(const Math::Vector& v);
  /// n values evenly spaced from a to b; [a] for n = 1, empty for n <= 0.
  static Math::Vector Linspace(double a, double b, int n);
  /// Column means of m (one observation per row).
  static Math::Vector CalculateMean(const Math::Matrix& m);
  /// Divides every row by its sum; rows summing to exactly 0 stay. Null: no-op.
  static void NormalizeMatrixRows(Math::Matrix* m);
  static bool IsLowerTriangular(const Math::Matrix& m);
  static bool IsUpperTriangular(const Math::Matrix& m);

  // ---- signals ----
  /// Convolution of a with kernel b, cut to the length of a and centred on
  /// element floor(len(b)/2) of the kernel; zeros beyond the ends of a.
  static Math::Vector Convolve(const Math::Vector& a, const Math::Vector& b);
  /// Sampled normal kernel of length 2·floor(3·sigma) + 1 summing to 1;
  /// empty for sigma <= 0, NaN or so large that the kernel cannot be stored.
  static Math::Vector CreateGaussian1D(double sigma);
  /// Centres of local maxima (plateaus give their midpoint), increasing.
  static std::vector<double> FindPeakCenters(const Math::Vector& v);

  // ---- linear algebra ----
  /// Determinant of a square matrix (1 for 0×0); NaN when m is not square.
  static double Det(const Math::Matrix& m);
  /// Lower factor L with A = L·Lᵀ, zero strict upper triangle. A matrix that
  /// is not positive definite gives an n×n matrix of NaN.
  static Math::Matrix CholeskyDecompose(const Math::SymmetricMatrix& a);
  /// Solves L·Lᵀ·x = b. An empty vector when L is not square or b's length differs.
  static Math::Vector CholeskySolve(const Math::Matrix& l, const Math::Vector& b);
  /// Appends the eigenvalues of the symmetric matrix m (descending) to out;
  /// n = rows zeros when the decomposition fails or m is not square. Null out: no-op.
  static void CalcEigenValuesSymmetric(const Math::Matrix& m, std::vector<double>* out);
  /// (eigenvectors as columns, eigenvalues), both in descending eigenvalue order.
  /// Empty pair for a non-square matrix; NaN-filled when LAPACK fails.
  static std::pair<Math::Matrix, Math::Vector> CalcEigenVecsValsSymmetric(const Math::Matrix& m);
  /// In place: m becomes the eigenvectors (columns, descending); returns the
  /// eigenvalues, descending. Null or non-square m: empty result, m unchanged.
  static Math::Vector CalcEigenVecsValsSymmetric(Math::Matrix* m);
  /// Full SVD of the m×n matrix a: U m×m, the min(m, n) singular values
  /// (descending) in the storage of S, Vt n×n. Outputs too small are resized.
  static void SVD(const Math::Matrix& a, Math::Matrix* u, Math::Matrix* s, Math::Matrix* vt);
  /// Same on a's own storage (a is destroyed); a null vt skips Vᵀ.
  static void SVD(Math::Matrix* a, Math::Matrix* u, Math::Matrix* s, Math::Matrix* vt);
  /// Moore–Penrose pseudo-inverse (n×m for m×n input). Singular values below
  /// max(m, n)·eps·max(s) count as zero; pseudoDet, when not null, receives
  /// the product of the kept singular values (0 when none was kept).
  static Math::Matrix PseudoInvert(const Math::Matrix& a, double* pseudoDet = nullptr);
  /// Least-squares solution X (n×k) of A·X ≈ B by QR; 0×0 when m < n, the
  /// row counts differ or A does not have full rank.
  static Math::Matrix SolveLeastSquareQR(const Math::Matrix& a, const Math::Matrix& b);
  /// Solution X of A·X = B for symmetric A (upper triangle used); 0×0 on
  /// a shape mismatch or a singular A.
  static Math::Matrix SolveSymmetric(const Math::Matrix& a, const Math::Matrix& b);
  /// Sample covariance of the columns (one observation per row); a single row
  /// or column gives the 1×1 sample variance of its values; 0×0 for empty input.
  static Math::Matrix CalculateCovariance(const Math::Matrix& x);
  /// Same, centring the columns of *x in place (null: 0×0).
  static Math::Matrix CalculateCovariance(Math::Matrix* x);
  /// Least-squares affine map B ≈ R·A + t of d×N point sets (one point per
  /// column). The zero pair when the shapes differ, N <= d or the fit is singular.
  static std::pair<Math::Matrix, Math::Vector> CalcBestFittingTransform(const Math::Matrix& a,
                                                                       const Math::Matrix& b);
  static std::pair<Math::Matrix, Math::Vector>
  CalcBestFittingTransform(const std::vector<TCGenPoint<double>>& a, const std::vector<TCGenPoint<double>>& b);

  /// Reads a binary or comma-separated text matrix file. On any fault (bad
  /// counts, truncated data, short lines) the matrix stays unchanged and the
  /// stream's failbit is set.
  static void LoadMatrix(Math::Matrix* m, std::istream& in, bool binary);
  /// Writes the matrix file (binary, or text with 17 significant digits so
  /// that a round trip is exact). Unopenable paths write nothing.
  static void SaveMatrix(const Math::Matrix& m, const std::string& path, bool binary);
};

namespace Math
{
/// Closed-form 2×2 inverse into *out (resized to 2×2). Throws
/// ublas::singular("singular") when |det| < 1e-6, std::invalid_argument on a
/// wrong shape or a null out.
TARVEKMATH_EXPORT void invert_dbl2x2(const Matrix& m, Matrix* out);
/// Closed-form 3×3 inverse; as invert_dbl2x2.
TARVEKMATH_EXPORT void invert_dbl3x3(const Matrix& m, Matrix* out);
/// LU inverse of any square matrix; ublas::singular("singular") when singular.
TARVEKMATH_EXPORT void invert_dbl(const Matrix& m, Matrix* out);
} // namespace Math

// ---- element-wise functions on vectors ----
/// v[i] − x; v itself is changed to these values as well.
TARVEKMATH_EXPORT Math::Vector operator-(Math::Vector& v, double x);
/// v[i] + x; v itself is changed to these values as well.
TARVEKMATH_EXPORT Math::Vector operator+(Math::Vector& v, double x);
/// Magnitudes of complex values.
TARVEKMATH_EXPORT Math::Vector Abs(const std::vector<std::complex<double>>& v);
TARVEKMATH_EXPORT Math::Vector pow(const Math::Vector& v, double p);
/// Logistic sigmoid 1 / (exp(−v) + 1).
TARVEKMATH_EXPORT Math::Vector sigm(const Math::Vector& v);
TARVEKMATH_EXPORT Math::Vector sin(const Math::Vector& v);
TARVEKMATH_EXPORT Math::Vector vecexp(const Math::Vector& v);
/// log(v + smallest normal double): 0 gives about −708.4 instead of −∞.
TARVEKMATH_EXPORT Math::Vector veclog(const Math::Vector& v);
