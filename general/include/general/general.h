#pragma once
// All of the general library.
#include <general/GenConvert.h>
#include <general/TCGenFileUtils.h>
#include <general/TCGenMathUtils.h>
#include <general/TCGenPoint.h>
#include <general/TCGenRect.h>
#include <general/TCGenSize.h>
