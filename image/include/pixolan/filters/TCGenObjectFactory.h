#pragma once
#include <any>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace of_internal
{
/// Makes products of one base class; stores the constructor arguments that
/// SetParameterN hands it, type-erased. Setters of parameters a creator does
/// not have discard the value.
template <class Base>
class TCGenOfCreatorBase
{
public:
  virtual ~TCGenOfCreatorBase() = default;
  /// New product built from the stored arguments; the caller owns it.
  virtual Base* Create() const = 0;
  virtual void SetParameter1(std::any) {}
  virtual void SetParameter2(std::any) {}
  virtual void SetParameter3(std::any) {}
  virtual void SetParameter4(std::any) {}
  /// Copy of this creator with its stored arguments.
  virtual TCGenOfCreatorBase* Clone() const = 0;
};

template <class Base, class T>
class TCGenOfCreator0 : public TCGenOfCreatorBase<Base>
{
public:
  Base* Create() const override { return new T(); }
  TCGenOfCreatorBase<Base>* Clone() const override { return new TCGenOfCreator0(*this); }
};

template <class Base, class T, class A1>
class TCGenOfCreator1 : public TCGenOfCreatorBase<Base>
{
public:
  Base* Create() const override { return new T(m_a1); }
  /// Throws std::bad_any_cast when the value is not exactly an A1.
  void SetParameter1(std::any value) override { m_a1 = std::any_cast<A1>(value); }
  TCGenOfCreatorBase<Base>* Clone() const override { return new TCGenOfCreator1(*this); }

protected:
  A1 m_a1{};
};

template <class Base, class T, class A1, class A2>
class TCGenOfCreator2 : public TCGenOfCreatorBase<Base>
{
public:
  Base* Create() const override { return new T(m_a1, m_a2); }
  void SetParameter1(std::any value) override { m_a1 = std::any_cast<A1>(value); }
  void SetParameter2(std::any value) override { m_a2 = std::any_cast<A2>(value); }
  TCGenOfCreatorBase<Base>* Clone() const override { return new TCGenOfCreator2(*this); }

protected:
  A1 m_a1{};
  A2 m_a2{};
};

template <class Base, class T, class A1, class A2, class A3>
class TCGenOfCreator3 : public TCGenOfCreatorBase<Base>
{
public:
  Base* Create() const override { return new T(m_a1, m_a2, m_a3); }
  void SetParameter1(std::any value) override { m_a1 = std::any_cast<A1>(value); }
  void SetParameter2(std::any value) override { m_a2 = std::any_cast<A2>(value); }
  void SetParameter3(std::any value) override { m_a3 = std::any_cast<A3>(value); }
  TCGenOfCreatorBase<Base>* Clone() const override { return new TCGenOfCreator3(*this); }

protected:
  A1 m_a1{};
  A2 m_a2{};
  A3 m_a3{};
};
} // namespace of_internal

/// Maps keys to owned creators and makes products by key.
template <class Base, class Key>
class TCGenObjectFactory
{
public:
  using Creator = of_internal::TCGenOfCreatorBase<Base>;

  TCGenObjectFactory() = default;
  /// Copies every creator with its stored arguments.
  TCGenObjectFactory(const TCGenObjectFactory& other) { CopyFrom(other); }
  TCGenObjectFactory& operator=(const TCGenObjectFactory& other)
  {
    if (this != &other)
    {
      Clear();
      CopyFrom(other);
    }
    return *this;
  }
  virtual ~TCGenObjectFactory() { Clear(); }

  /// New product for `key`, or null when no creator is registered for it. The caller owns it.
  Base* Create(Key key) const
  {
    const auto it = m_creators.find(key);
    return it == m_creators.end() ? nullptr : it->second->Create();
  }

  /// New product for `key` built on a copy of its creator with `arguments`
  /// as constructor arguments 1, 2, ...: the stored arguments stay as they
  /// are. An empty value keeps the stored one. Null for an unknown key; a
  /// value of another type than the argument's throws std::bad_any_cast.
  Base* CreateWith(Key key, const std::vector<std::any>& arguments) const
  {
    const auto it = m_creators.find(key);
    if (it == m_creators.end())
      return nullptr;
    std::unique_ptr<Creator> copy(it->second->Clone());
    for (std::size_t i = 0; i < arguments.size() && i < 4; ++i)
    {
      if (!arguments[i].has_value())
        continue;
      switch (i)
      {
      case 0: copy->SetParameter1(arguments[i]); break;
      case 1: copy->SetParameter2(arguments[i]); break;
      case 2: copy->SetParameter3(arguments[i]); break;
      default: copy->SetParameter4(arguments[i]); break;
      }
    }
    return copy->Create();
  }

  /// Stores `value` as constructor argument `number` (1 to 4) of the creator
  /// for `key`; later Create(key) calls pass it. Unknown keys and numbers are
  /// ignored; a value of another type than the argument's throws std::bad_any_cast.
  void SetParameter(int number, Key key, std::any value)
  {
    const auto it = m_creators.find(key);
    if (it == m_creators.end())
      return;
    switch (number)
    {
    case 1: it->second->SetParameter1(std::move(value)); break;
    case 2: it->second->SetParameter2(std::move(value)); break;
    case 3: it->second->SetParameter3(std::move(value)); break;
    case 4: it->second->SetParameter4(std::move(value)); break;
    default: break;
    }
  }

  /// Registers `creator` (taking ownership) under `key`, replacing an earlier one.
  void Register(Key key, Creator* creator)
  {
    std::unique_ptr<Creator> owned(creator);
    auto& slot = m_creators[key];
    delete slot;
    slot = owned.release();
  }

  bool IsRegistered(Key key) const { return m_creators.count(key) != 0; }

  std::vector<Key> GetKeys() const
  {
    std::vector<Key> keys;
    for (const auto& entry : m_creators)
      keys.push_back(entry.first);
    return keys;
  }

private:
  void Clear()
  {
    for (auto& entry : m_creators)
      delete entry.second;
    m_creators.clear();
  }
  void CopyFrom(const TCGenObjectFactory& other)
  {
    for (const auto& entry : other.m_creators)
      m_creators[entry.first] = entry.second->Clone();
  }

  std::map<Key, Creator*> m_creators;
};
