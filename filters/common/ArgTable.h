// A filter's arguments declared once: a table of rows {script name, type, member, default}
// from which both the registration signature and the reader are made, so that adding an
// argument is one row (and the code that uses it).
//
//   struct BlurArgs { PClip clip; int size = 0; double sd = 0; };
//   constexpr ArgRow<BlurArgs> kBlurArgs[] = {
//       Clip(&BlurArgs::clip), Int("size", &BlurArgs::size, 3), Float("sd", &BlurArgs::sd, 1.5)};
//   SignatureOf(kBlurArgs) == "c[size]i[sd]f";  ReadArgs(kBlurArgs, args) fills a BlurArgs.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "host/avisynth.h"

namespace tintara {

// Int defaults that depend on the first clip or on an argument read before.
enum class FromClip { LastFrame, LastColumn, LastRow };

template <class A>
struct SameAs {
  int A::*field;
};
template <class A>
constexpr SameAs<A> Like(int A::*field) {
  return {field};
}

// No default: a positional argument the script must give, or one whose default the filter works
// out itself after other checks (it asks GivenArg).
struct NoDefault {};
constexpr NoDefault kSetByFilter{};

template <class A>
struct IntDefault {
  enum Kind { Constant, LastFrame, LastColumn, LastRow, Field, None } kind = None;
  int value = 0;
  int A::*field = nullptr;

  constexpr IntDefault() = default;
  constexpr IntDefault(int v) : kind(Constant), value(v) {}  // NOLINT: a plain number reads best
  constexpr IntDefault(FromClip f)                           // NOLINT
      : kind(f == FromClip::LastFrame    ? LastFrame
             : f == FromClip::LastColumn ? LastColumn
                                         : LastRow) {}
  constexpr IntDefault(SameAs<A> s) : kind(Field), field(s.field) {}  // NOLINT
  constexpr IntDefault(NoDefault) {}                                  // NOLINT

  int Of(const A& a, const VideoInfo& vi) const {
    switch (kind) {
      case LastFrame: return vi.num_frames - 1;
      case LastColumn: return vi.width - 1;
      case LastRow: return vi.height - 1;
      case Field: return a.*field;
      default: return value;
    }
  }
};

// One argument: its script name (null for a positional one), its signature letter, whether it
// is a `+` group, and the member it is read into with its default.
template <class A>
struct ArgRow {
  const char* name = nullptr;
  char type = 'i';
  PClip A::*clip = nullptr;
  int A::*integer = nullptr;
  bool A::*boolean = nullptr;
  double A::*real = nullptr;
  const char* A::*text = nullptr;
  std::vector<int> A::*ints = nullptr;  // `i+`
  IntDefault<A> int_default{};
  bool bool_default = false;
  double real_default = 0;
  const char* text_default = nullptr;
};

template <class A>
constexpr ArgRow<A> Clip(PClip A::*member) {
  ArgRow<A> r;
  r.type = 'c';
  r.clip = member;
  return r;
}
// The default is not used to deduce A, so that a number or FromClip converts to it.
template <class T>
struct NonDeduced {
  using type = T;
};

template <class A>
constexpr ArgRow<A> Int(const char* name, int A::*member, typename NonDeduced<IntDefault<A>>::type def = {}) {
  ArgRow<A> r;
  r.name = name;
  r.integer = member;
  r.int_default = def;
  return r;
}
template <class A>
constexpr ArgRow<A> Ints(std::vector<int> A::*member) {
  ArgRow<A> r;
  r.ints = member;
  return r;
}
template <class A>
constexpr ArgRow<A> Bool(const char* name, bool A::*member, bool def) {
  ArgRow<A> r;
  r.name = name;
  r.type = 'b';
  r.boolean = member;
  r.bool_default = def;
  return r;
}
template <class A>
constexpr ArgRow<A> Float(const char* name, double A::*member, double def) {
  ArgRow<A> r;
  r.name = name;
  r.type = 'f';
  r.real = member;
  r.real_default = def;
  return r;
}
template <class A>
constexpr ArgRow<A> String(const char* name, const char* A::*member, const char* def) {
  ArgRow<A> r;
  r.name = name;
  r.type = 's';
  r.text = member;
  r.text_default = def;
  return r;
}

// The registration signature: "[name]" before each named argument, `+` after a group.
template <class A, size_t N>
std::string SignatureOf(const ArgRow<A> (&rows)[N]) {
  std::string s;
  for (const ArgRow<A>& r : rows) {
    if (r.name) s += std::string("[") + r.name + "]";
    s += r.type;
    if (r.ints) s += '+';
  }
  return s;
}

// The signature of a table, kept for the life of the module (the host keeps the pointer).
template <const auto& Rows>
const char* SignatureText() {
  static const std::string s = SignatureOf(Rows);
  return s.c_str();
}

// The values of a `+` group (one array argument), copied since the array lives only for the call.
inline void ReadIntGroup(const AVSValue& group, std::vector<int>* out) {
  out->clear();
  if (!group.IsArray()) {
    if (group.IsInt()) out->push_back(group.AsInt());
    return;
  }
  for (int i = 0; i < group.ArraySize(); ++i) out->push_back(group[i].AsInt());
}

// Every argument by its position, absent ones taking their defaults in table order (so a
// default may name an argument of an earlier row); clip-derived defaults use the first clip.
template <class A, size_t N>
A ReadArgs(const ArgRow<A> (&rows)[N], const AVSValue& args) {
  A a;
  VideoInfo vi{};
  bool have_clip = false;
  for (size_t i = 0; i < N; ++i) {
    const ArgRow<A>& r = rows[i];
    const AVSValue& v = args[static_cast<int>(i)];
    if (r.clip) {
      a.*r.clip = v.AsClip();
      if (!have_clip) vi = (a.*r.clip)->GetVideoInfo();
      have_clip = true;
    } else if (r.ints) {
      ReadIntGroup(v, &(a.*r.ints));
    } else if (r.integer) {
      a.*r.integer = v.AsInt(r.int_default.Of(a, vi));
    } else if (r.boolean) {
      a.*r.boolean = v.AsBool(r.bool_default);
    } else if (r.real) {
      a.*r.real = v.AsFloat(r.real_default);
    } else if (r.text) {
      a.*r.text = v.AsString(r.text_default);
    }
  }
  return a;
}

// Whether the script gave the argument read into `member` (an int or bool).
template <class A, size_t N>
bool GivenArg(const ArgRow<A> (&rows)[N], const AVSValue& args, int A::*member) {
  for (size_t i = 0; i < N; ++i)
    if (rows[i].integer == member) return args[static_cast<int>(i)].Defined();
  return false;
}
template <class A, size_t N>
bool GivenArg(const ArgRow<A> (&rows)[N], const AVSValue& args, bool A::*member) {
  for (size_t i = 0; i < N; ++i)
    if (rows[i].boolean == member) return args[static_cast<int>(i)].Defined();
  return false;
}

// What an int argument defaults to, told to a host that shows the values a filter works with
// (the live page names the thresholds of a test-mode frame). The same numbers as the module's
// exported TintaraIntDefault.
enum class DefaultKind { Unknown = 0, Constant = 1, SameAs = 2, LastFrame = 3, LastColumn = 4, LastRow = 5 };

// The default of the int argument `name`: its value for a constant, the other argument's name
// for SameAs; Unknown for a name not in the table, an argument of another type, or one whose
// default the filter works out itself.
template <class A, size_t N>
DefaultKind IntDefaultIn(const ArgRow<A> (&rows)[N], const char* name, int* value, const char** same_as) {
  for (const ArgRow<A>& r : rows) {
    if (!r.integer || !r.name || std::strcmp(r.name, name) != 0) continue;
    const IntDefault<A>& d = r.int_default;
    switch (d.kind) {
      case IntDefault<A>::Constant: *value = d.value; return DefaultKind::Constant;
      case IntDefault<A>::LastFrame: return DefaultKind::LastFrame;
      case IntDefault<A>::LastColumn: return DefaultKind::LastColumn;
      case IntDefault<A>::LastRow: return DefaultKind::LastRow;
      case IntDefault<A>::Field:
        for (const ArgRow<A>& other : rows)
          if (other.integer == d.field && other.name) {
            *same_as = other.name;
            return DefaultKind::SameAs;
          }
        return DefaultKind::Unknown;
      default: return DefaultKind::Unknown;
    }
  }
  return DefaultKind::Unknown;
}

// Wraps a new filter as the create function's result; takes the clip arguments' extra
// reference first (see TakeArgumentClips), so call it only on the normal return path.
inline AVSValue Created(IClip* filter, const AVSValue& args) {
  TakeArgumentClips(args);
  return AVSValue(filter);
}

}  // namespace tintara
