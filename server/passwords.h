// Salted password hashes made by libsodium (Argon2id). Hashing is deliberately slow, so it
// runs on worker threads and never inside the event loop.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ozl::server {

enum class PasswordCost {
  kInteractive,  // libsodium's recommendation for logins
  kMinimal,      // for tests and load runs that register thousands of users
};

// Throws std::runtime_error when the hash cannot be made (out of memory).
std::string HashPassword(std::string_view password, PasswordCost cost);
// False for a wrong password and for a stored value that is no valid hash.
bool VerifyPassword(std::string_view stored_hash, std::string_view password);

// One piece of password work: either check a password against stored hashes or make a new hash.
// A web chat login names a chat nick, which several users may share: the password tells which.
struct PasswordTask {
  std::string password;
  std::vector<std::string> stored_hashes;  // none: make `new_hash`
  std::string new_hash;
  std::optional<std::size_t> matched;  // the first stored hash the password matches

  bool makes_hash() const { return stored_hashes.empty(); }
  void Run(PasswordCost cost);
};

}  // namespace ozl::server
