#pragma once
// What the filter factory knows about each filter kind: its name, the image
// types it accepts and, per constructor argument, the type, a description,
// the default and the valid values. Each filter's registration states this
// once; the command-line tool and the language bindings read it from here.
#include <any>
#include <initializer_list>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <pixolan/PxExport.h>
#include <pixolan/filters/PxFilterTypes.h>
#include <pixolan/model/PxTypes.h>

/// One constructor argument of a filter kind, in the creator's order.
struct TCPxFilterParameter
{
  /// How the argument is written as text.
  enum EKind : int
  {
    Integer = 0,     ///< decimal whole number (C++ int)
    Real = 1,        ///< decimal number (C++ double)
    Enumeration = 2, ///< an enumerator's name or its value
    Image = 3,       ///< an image object; no text form, supplied as a value
  };

  std::string type;        ///< the creator's C++ argument type, e.g. "int", "Px::EGradient", "const TCPxImageBase*"
  std::string name;        ///< e.g. "kernelSize"
  std::string description; ///< one line for help texts
  EKind kind = Integer;
  std::string defaultValue; ///< text form of the default; empty for an Image argument, which has none
  double minimum = -std::numeric_limits<double>::infinity(); ///< inclusive; numbers only
  double maximum = std::numeric_limits<double>::infinity();  ///< inclusive; numbers only
  bool oddOnly = false;                                      ///< integers: only odd values are valid
  std::vector<std::pair<std::string, int>> enumerators;      ///< Enumeration: names and values

  /// Wraps an enumerator value in a std::any of exactly the argument's
  /// enumeration type (set for Enumeration arguments only).
  std::any (*makeEnumerator)(int value) = nullptr;

  bool HasRange() const { return minimum > -std::numeric_limits<double>::infinity() || maximum < std::numeric_limits<double>::infinity(); }
  /// "type name", as in a declaration.
  std::string Signature() const { return type + " " + name; }
};

/// A registered filter kind.
struct TCPxFilterDescription
{
  Px::EFilterTypes type;
  std::string name;                           ///< the enumerator's name, e.g. "Median"
  std::string summary;                        ///< one line: what the filter does
  std::vector<NPxImageTypes> acceptedTypes;   ///< image types it processes; others are left unchanged
  std::vector<TCPxFilterParameter> parameters; ///< constructor arguments, in order

  /// The parameter of that name, or null.
  const TCPxFilterParameter* FindParameter(const std::string& parameterName) const
  {
    for (const auto& p : parameters)
      if (p.name == parameterName)
        return &p;
    return nullptr;
  }
};

// ---- building blocks of the registrations ------------------------------------------------
namespace PxFilterTable
{
inline std::vector<NPxImageTypes> Accepts(std::initializer_list<NPxImageTypes> types)
{
  return std::vector<NPxImageTypes>(types);
}

/// An int argument with its default and inclusive range.
PIXOLAN_EXPORT TCPxFilterParameter Integer(const char* name, const char* description, int defaultValue, int minimum,
                                           int maximum, bool oddOnly = false);
/// A double argument with its default and inclusive range.
PIXOLAN_EXPORT TCPxFilterParameter Real(const char* name, const char* description, double defaultValue,
                                        double minimum = -std::numeric_limits<double>::infinity(),
                                        double maximum = std::numeric_limits<double>::infinity());
/// An image argument (no text form: it must be supplied as a value).
PIXOLAN_EXPORT TCPxFilterParameter Image(const char* name, const char* description);

/// An argument of enumeration type E with its enumerators (name, value) and default.
template <class E>
TCPxFilterParameter Enumeration(const char* name, const char* typeName, const char* description, E defaultValue,
                                std::vector<std::pair<std::string, int>> enumerators)
{
  TCPxFilterParameter p;
  p.type = typeName;
  p.name = name;
  p.description = description;
  p.kind = TCPxFilterParameter::Enumeration;
  for (const auto& e : enumerators)
    if (e.second == static_cast<int>(defaultValue))
      p.defaultValue = e.first;
  p.enumerators = std::move(enumerators);
  p.makeEnumerator = [](int value) { return std::any(static_cast<E>(value)); };
  return p;
}
} // namespace PxFilterTable
