#include "directory/search_fields.h"

#include "text/cp1251.h"

namespace ozl::directory {

protocol::SearchCriteria SearchPlaceholders() {
  return {.nick = std::string("Ник"_cp1251),
          .first_name = std::string("Имя"_cp1251),
          .surname = std::string("Фамилия"_cp1251),
          .patronymic = std::string("Отчество"_cp1251),
          .city = std::string("Город"_cp1251),
          .email = "e-mail",
          .id = std::string("Идентификатор"_cp1251),
          .chat_nick = std::string("Ник в чате"_cp1251)};
}

protocol::SearchCriteria WithoutPlaceholders(protocol::SearchCriteria typed) {
  const protocol::SearchCriteria placeholders = SearchPlaceholders();
  for (auto [field, placeholder] :
       {std::pair{&typed.nick, &placeholders.nick}, {&typed.first_name, &placeholders.first_name},
        {&typed.surname, &placeholders.surname}, {&typed.patronymic, &placeholders.patronymic},
        {&typed.city, &placeholders.city}, {&typed.email, &placeholders.email},
        {&typed.id, &placeholders.id}, {&typed.chat_nick, &placeholders.chat_nick}}) {
    if (*field == *placeholder) field->clear();
  }
  return typed;
}

}  // namespace ozl::directory
