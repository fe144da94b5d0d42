// Programming errors of the skin toolkit: wrong region texts and components placed where they
// cannot work. They carry English messages and reach the code that made the mistake.
#pragma once

#include <stdexcept>
#include <string>

namespace ozl::skin {

class SkinError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A region text that cannot be read.
class ECannotTranslate : public SkinError {
 public:
  using SkinError::SkinError;
};

// A region text that places, directly or through other texts, the text being evaluated.
class EExtRgnCrossLink : public SkinError {
 public:
  using SkinError::SkinError;
};

// A region component whose owner is not a window.
class EOwnerMustBeForm : public SkinError {
 public:
  using SkinError::SkinError;
};

// A second form region on one window.
class EDuplicateComponent : public SkinError {
 public:
  using SkinError::SkinError;
};

}  // namespace ozl::skin
