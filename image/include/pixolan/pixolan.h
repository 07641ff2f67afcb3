#pragma once
// All of the image library, and the general types it uses.
#include <general/general.h>
#include <pixolan/PxExport.h>
#include <pixolan/analysis/TCPxContour.h>
#include <pixolan/model/PxTypes.h>
#include <pixolan/model/TCPx24bitImage.h>
#include <pixolan/model/TCPx32bitImage.h>
#include <pixolan/model/TCPx8bitImage.h>
#include <pixolan/model/TCPxAutoRoi.h>
#include <pixolan/model/TCPxByteImage.h>
#include <pixolan/model/TCPxConversion.h>
#include <pixolan/model/TCPxAvrImage.h>
#include <pixolan/model/TCPxFloatImage.h>
#include <pixolan/model/TCPxImageBase.h>
#include <pixolan/model/TCPxInt32Image.h>
#include <pixolan/model/TCPxUtil.h>
