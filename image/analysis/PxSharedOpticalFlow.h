#pragma once
// The library's one optical-flow calculator, shared by template matching and
// TCPxUtil::CalculateOpticalFlow (internal).
class TCPx8bitImage;
class TCPxFloatImage;

namespace _impl
{
/// Runs the shared default calculator under its lock.
void CalcSharedOpticalFlow(const TCPx8bitImage& previous, const TCPx8bitImage& next, TCPxFloatImage* flow1,
                           TCPxFloatImage* flow2);
}  // namespace _impl
