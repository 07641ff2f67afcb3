#pragma once
// Media types with owned format blocks from the task allocator.
#include <tarvek/dshow/Com.h>

/// A media type as it crosses interfaces; pbFormat (cbFormat bytes) is a task
/// allocator block owned by whoever owns the record.
struct AM_MEDIA_TYPE
{
  GUID majortype;
  GUID subtype;
  BOOL bFixedSizeSamples;
  BOOL bTemporalCompression;
  ULONG lSampleSize;
  GUID formattype;
  IUnknown* pUnk;
  ULONG cbFormat;
  BYTE* pbFormat;
};

/// Frees the format block (and the pUnk reference); the record stays.
void FreeMediaType(AM_MEDIA_TYPE& mt);
/// Frees the format block and the record itself (from CreateMediaType).
void DeleteMediaType(AM_MEDIA_TYPE* pmt);
/// Deep copy into an empty record; E_OUTOFMEMORY when the block cannot be had.
HRESULT CopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source);
/// New task-allocated deep copy; null on failure.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source);

/// A media type that owns its format block: copying copies the block.
class CMediaType : public AM_MEDIA_TYPE
{
public:
  CMediaType();
  CMediaType(const AM_MEDIA_TYPE& other);
  CMediaType(const CMediaType& other);
  CMediaType& operator=(const AM_MEDIA_TYPE& other);
  CMediaType& operator=(const CMediaType& other);
  ~CMediaType();

  /// Back to an empty type (all zero, no block).
  void InitMediaType();
  /// A major type is set.
  bool IsValid() const;
  const GUID* Type() const { return &majortype; }
  const GUID* Subtype() const { return &subtype; }
  const GUID* FormatType() const { return &formattype; }
  void SetType(const GUID* type) { majortype = *type; }
  void SetSubtype(const GUID* type) { subtype = *type; }
  void SetFormatType(const GUID* type) { formattype = *type; }
  BYTE* Format() const { return pbFormat; }
  ULONG FormatLength() const { return cbFormat; }
  /// Replaces the block by a fresh one of `length` bytes (zeroed); null on failure.
  BYTE* AllocFormatBuffer(ULONG length);
  /// Replaces the block by a copy of `format`; false on failure.
  bool SetFormat(const BYTE* format, ULONG length);
  /// Drops the block.
  void ResetFormatBuffer();
};
