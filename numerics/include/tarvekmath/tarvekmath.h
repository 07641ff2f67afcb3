#pragma once
// All of the numerics library.
#include <tarvekmath/MathExport.h>
#include <tarvekmath/MathTypes.h>
#include <tarvekmath/TCMathDFT.h>
#include <tarvekmath/TCMathFilters.h>
#include <tarvekmath/TCMathInterpolation.h>
#include <tarvekmath/TCMathIterativeStatistic.h>
#include <tarvekmath/TCMathLearningRateStatistic.h>
#include <tarvekmath/TCMathLogGabor.h>
#include <tarvekmath/TCMathLogScale.h>
#include <tarvekmath/TCMathPbDistribution.h>
#include <tarvekmath/TCMathPbMvGaussian.h>
#include <tarvekmath/TCMathPbStudent.h>
#include <tarvekmath/TCMathSmoothLowess.h>
#include <tarvekmath/TCMathStatUtils.h>
#include <tarvekmath/TCMathUblasUtils.h>
#include <tarvekmath/TCMathUtils.h>
