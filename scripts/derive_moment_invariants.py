#!/usr/bin/env python3
"""Finds every affine moment invariant built from a given list of moment orders.

The central moments (or cumulants) of order p are the coefficients of a binary
form of degree p; a linear map of the plane acts on them as on a symmetric
tensor. A polynomial that takes one factor of each listed order is an affine
invariant (up to a power of the determinant, which the m00 normalisation
removes) exactly when it is unchanged by the two unit shears, since they
generate SL(2, Z), which is dense in SL(2). The script writes the isobaric
monomials, evaluates "I(g m) - I(m) = 0" at random integer points for both
shears, and prints a basis of the solution space with exact rational
coefficients.

Usage: derive_moment_invariants.py 3 3 3 5   (one argument per factor)
Only the Python standard library is used; not run by CI.
"""
import itertools
import random
import sys
from fractions import Fraction
from math import comb


def components(p):
    # (k, l) with k + l = p: mu_kl, k powers of x.
    return [(p - j, j) for j in range(p + 1)]


def monomials(orders):
    groups = {}
    for p in orders:
        groups[p] = groups.get(p, 0) + 1
    per_group = [list(itertools.combinations_with_replacement(components(p), n)) for p, n in sorted(groups.items())]
    total = sum(orders)
    out = []
    for choice in itertools.product(*per_group):
        factors = [f for g in choice for f in g]
        if 2 * sum(k for k, _ in factors) == total:  # isobaric: x-weight half the order
            out.append(tuple(factors))
    return out


def transform(m, a, b, c, d, p):
    # mu'_kl = sum C(k,i) C(l,j) a^i b^(k-i) c^j d^(l-j) mu_(i+j, p-i-j)
    out = {}
    for k, l in components(p):
        s = 0
        for i in range(k + 1):
            for j in range(l + 1):
                s += comb(k, i) * comb(l, j) * a**i * b**(k - i) * c**j * d**(l - j) * m[(i + j, p - i - j)]
        out[(k, l)] = s
    return out


def evaluate(mono, m):
    v = 1
    for f in mono:
        v *= m[f]
    return v


def nullspace(rows, n):
    rows = [[Fraction(x) for x in r] for r in rows]
    pivots = []
    r = 0
    for col in range(n):
        piv = next((i for i in range(r, len(rows)) if rows[i][col] != 0), None)
        if piv is None:
            continue
        rows[r], rows[piv] = rows[piv], rows[r]
        inv = 1 / rows[r][col]
        rows[r] = [x * inv for x in rows[r]]
        for i in range(len(rows)):
            if i != r and rows[i][col] != 0:
                f = rows[i][col]
                rows[i] = [x - f * y for x, y in zip(rows[i], rows[r])]
        pivots.append(col)
        r += 1
    free = [c for c in range(n) if c not in pivots]
    basis = []
    for fc in free:
        v = [Fraction(0)] * n
        v[fc] = Fraction(1)
        for i, pc in enumerate(pivots):
            v[pc] = -rows[i][fc]
        basis.append(v)
    return basis


def main():
    orders = [int(a) for a in sys.argv[1:]]
    monos = monomials(orders)
    rnd = random.Random(7)
    rows = []
    for _ in range(len(monos) + 20):
        m = {}
        for p in set(orders):
            for kl in components(p):
                m[kl] = rnd.randint(-9, 9)
        for g in ((1, 1, 0, 1), (1, 0, 1, 1)):
            mg = {}
            for p in set(orders):
                mg.update(transform(m, *g, p))
            rows.append([evaluate(mo, mg) - evaluate(mo, m) for mo in monos])
    basis = nullspace(rows, len(monos))
    print(f"orders {orders}: {len(monos)} isobaric monomials, {len(basis)} independent invariants")
    for v in basis:
        terms = [(c, mo) for c, mo in zip(v, monos) if c != 0]
        print(" + ".join(f"({c})*" + "*".join(f"m{k}{l}" for k, l in mo) for c, mo in terms))


if __name__ == "__main__":
    main()
