// A member operation of the extraction engine named by an extract: a value function of an
// output column or the row filter of a table. It accepts members of DataAccessBase and of every
// class derived from it (ExpEngine's own value functions), and is bound to the engine object
// when the column or the table is set up.
#pragma once

#include <cstddef>
#include <functional>
#include <type_traits>
#include <utility>

#include "foundation/XException.h"

class DataAccessBase;

template <class Signature>
class EngineMember;

template <class R, class... Args>
class EngineMember<R(Args...)> {
 public:
  using Member = R (DataAccessBase::*)(Args...);
  using Bound = std::function<R(Args...)>;

  EngineMember() = default;
  EngineMember(std::nullptr_t) {}
  // A member of DataAccessBase or of a class derived from it. A derived member is held as a
  // member of the base, which may only be called on an object of the derived class: Bind
  // checks that before it binds.
  template <class Engine>
  EngineMember(R (Engine::*member)(Args...))
      : m_member(member ? static_cast<Member>(member) : nullptr),
        m_belongsTo(&BelongsTo<Engine>) {
    static_assert(std::is_base_of_v<DataAccessBase, Engine>,
                  "an engine member must belong to DataAccessBase or a class derived from it");
  }

  explicit operator bool() const { return m_member != nullptr; }

  // The member called on `engine`; an empty callable when there is no member. Throws when the
  // member belongs to a class that `engine` is not an object of.
  Bound Bind(DataAccessBase* engine) const {
    if (m_member == nullptr) return Bound();
    if (!m_belongsTo(engine)) throw XException("Engine operation does not belong to this engine.");
    Member member = m_member;
    return [engine, member](Args... args) -> R {
      return (engine->*member)(std::forward<Args>(args)...);
    };
  }

 private:
  template <class Engine>
  static bool BelongsTo(DataAccessBase* object) {
    return dynamic_cast<Engine*>(object) != nullptr;
  }

  Member m_member = nullptr;
  bool (*m_belongsTo)(DataAccessBase*) = nullptr;
};
