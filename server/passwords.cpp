#include "passwords.h"

#include <sodium.h>

#include <stdexcept>

namespace ozl::server {
namespace {

void EnsureSodium() {
  static const bool ready = sodium_init() >= 0;
  if (!ready) throw std::runtime_error("libsodium cannot start");
}

}  // namespace

std::string HashPassword(std::string_view password, PasswordCost cost) {
  EnsureSodium();
  const bool interactive = cost == PasswordCost::kInteractive;
  const unsigned long long ops = interactive ? crypto_pwhash_OPSLIMIT_INTERACTIVE : crypto_pwhash_OPSLIMIT_MIN;
  const std::size_t memory = interactive ? crypto_pwhash_MEMLIMIT_INTERACTIVE : crypto_pwhash_MEMLIMIT_MIN;
  char hash[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(hash, password.data(), password.size(), ops, memory) != 0) {
    throw std::runtime_error("out of memory while hashing a password");
  }
  return hash;
}

bool VerifyPassword(std::string_view stored_hash, std::string_view password) {
  EnsureSodium();
  // The stored value must be a terminated string shorter than the buffer libsodium expects.
  if (stored_hash.size() >= crypto_pwhash_STRBYTES) return false;
  char hash[crypto_pwhash_STRBYTES] = {};
  stored_hash.copy(hash, stored_hash.size());
  return crypto_pwhash_str_verify(hash, password.data(), password.size()) == 0;
}

void PasswordTask::Run(PasswordCost cost) {
  if (makes_hash()) {
    new_hash = HashPassword(password, cost);
  } else {
    for (std::size_t i = 0; i < stored_hashes.size() && !matched; ++i) {
      if (VerifyPassword(stored_hashes[i], password)) matched = i;
    }
  }
}

}  // namespace ozl::server
