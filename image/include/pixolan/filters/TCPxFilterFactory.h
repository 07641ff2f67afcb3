#pragma once
#include <any>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <pixolan/PxExport.h>
#include <pixolan/filters/PxFilterTypes.h>
#include <pixolan/filters/TCPxFilterDescription.h>
#include <pixolan/filters/TCGenObjectFactory.h>
#include <pixolan/filters/TCPxImageFilter.h>

class TCPxImageBase;

/// The process-wide filter factory. Every filter class registers a creator
/// for its Px::EFilterTypes value while the library loads. Creator arguments
/// start at zero and persist between calls once set through SetParameter;
/// setting them and creating filters of the same kind must not overlap
/// between threads.
///
/// The argument-taking Create(type, a1) and Create(type, a1, a2) set the
/// arguments and create under one lock, so threads creating filters of the
/// same kind with different arguments each get their own. The inherited
/// SetParameter and Create(type) are not locked: a caller that sets
/// parameters through them must keep other threads away itself.
///
/// Create (and so ApplyFilter, ApplyFilter2Dest) gives null / does nothing for
/// a value without a creator (12, 35, values outside the table) and for a
/// filter that cannot be built from the stored arguments (a convolution
/// without a kernel).
class PIXOLAN_EXPORT TCPxFilterFactory : public TCGenObjectFactory<TCPxImageFilter, Px::EFilterTypes>
{
public:
  /// Copies the creators (with their stored arguments) and descriptions; the
  /// copy has its own lock.
  TCPxFilterFactory(const TCPxFilterFactory& other);
  TCPxFilterFactory& operator=(const TCPxFilterFactory& other);

  static TCPxFilterFactory* Instance();

  using TCGenObjectFactory<TCPxImageFilter, Px::EFilterTypes>::Create;
  /// Sets argument 1 of the kind's creator (exactly of the creator's argument
  /// type), then creates the filter, both under the factory's lock; the value
  /// stays stored. Throws std::bad_any_cast for an argument of another type.
  template <class A1>
  TCPxImageFilter* Create(Px::EFilterTypes type, A1 a1)
  {
    return CreateLocked(type, {std::any(a1)});
  }
  /// The same with arguments 1 and 2.
  template <class A1, class A2>
  TCPxImageFilter* Create(Px::EFilterTypes type, A1 a1, A2 a2)
  {
    return CreateLocked(type, {std::any(a1), std::any(a2)});
  }

  /// Creates the filter, processes `image` in place and deletes the filter.
  void ApplyFilter(Px::EFilterTypes type, TCPxImageBase* image);
  /// Creates the filter, processes source into destination and deletes the filter.
  void ApplyFilter2Dest(Px::EFilterTypes type, TCPxImageBase* source, TCPxImageBase* destination);

  /// Registers a creator (taking ownership) and the kind's description.
  void RegisterFilter(Creator* creator, TCPxFilterDescription description);
  /// Descriptions of every registered kind, ordered by value.
  std::vector<TCPxFilterDescription> GetDescriptions() const;
  /// Description of the kind of that name ("Median"); false when none has it.
  bool FindDescription(const std::string& name, TCPxFilterDescription* description) const;

  /// Parameter values as text, name first: ("kernelSize", "5"), ("type", "Open").
  using TextParameters = std::vector<std::pair<std::string, std::string>>;

  /// The constructor arguments of `type`, in order and each exactly of the
  /// creator's type, from text: numbers in decimal, enumerators by name or
  /// value, the default for an omitted parameter. Image arguments, which have
  /// no text form, stay empty unless given. Throws std::invalid_argument
  /// naming the parameter for an unknown name, a repeated one, a malformed
  /// value or one outside its range, and for a type without a filter.
  std::vector<std::any> ParseParameters(Px::EFilterTypes type, const TextParameters& text) const;

  /// New filter of `type` (the caller owns it) built from `arguments`
  /// (argument 1 first; an empty value keeps the stored one) on a copy of its
  /// creator: the stored creator parameters do not change. Null when there is
  /// no creator or the filter cannot be built from these arguments.
  TCPxImageFilter* CreateWithArguments(Px::EFilterTypes type, const std::vector<std::any>& arguments) const;

  /// New filter of the kind called `name`, built from text parameters
  /// (ParseParameters), leaving the stored creator parameters alone. Throws
  /// std::invalid_argument for an unknown name, a bad value, and for a kind
  /// with an image argument (Convolution: give its kernel through
  /// CreateWithArguments).
  TCPxImageFilter* CreateFromText(const std::string& name, const TextParameters& parameters) const;

private:
  TCPxFilterFactory();
  ~TCPxFilterFactory() override;

  TCPxImageFilter* CreateLocked(Px::EFilterTypes type, const std::vector<std::any>& arguments);

  std::vector<TCPxFilterDescription> m_descriptions;
  std::mutex m_createMutex;
};

/// Declares the static registrar of a filter class (inside the class body).
#define PX_FILTER_REGISTRAR                                                                                        \
private:                                                                                                           \
  struct factory_registrar                                                                                         \
  {                                                                                                                \
    factory_registrar();                                                                                           \
  };                                                                                                               \
  static factory_registrar m_registrar;

/// Defines the registrar of `Class` (in its source file): registers
/// `CreatorType` under Px::`value` (given without the namespace) with a
/// one-line summary, the accepted image types (PxFilterTable::Accepts) and one
/// PxFilterTable parameter record per constructor argument, in order.
#define PX_REGISTER_FILTER(Class, value, CreatorType, summary, accepted, ...)                                     \
  Class::factory_registrar::factory_registrar()                                                                    \
  {                                                                                                                \
    TCPxFilterFactory::Instance()->RegisterFilter(                                                                 \
        new CreatorType, TCPxFilterDescription{Px::value, #value, summary, accepted, {__VA_ARGS__}});            \
  }                                                                                                                \
  Class::factory_registrar Class::m_registrar;
