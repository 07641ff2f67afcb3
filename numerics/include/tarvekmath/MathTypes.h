#pragma once
// The vector and matrix types shared by the numerics library and its users:
// the uBLAS dense vector, the dense row-major matrix and the symmetric matrix
// with its lower triangle stored.
#include <boost/numeric/ublas/matrix.hpp>
#include <boost/numeric/ublas/symmetric.hpp>
#include <boost/numeric/ublas/vector.hpp>

namespace Math
{
namespace ublas = boost::numeric::ublas;
using Vector = ublas::vector<double>;
using Matrix = ublas::matrix<double, ublas::row_major>;
using SymmetricMatrix = ublas::symmetric_matrix<double, ublas::lower, ublas::row_major>;
} // namespace Math
