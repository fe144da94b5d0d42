#include "directory/placeholders.h"

#include <algorithm>
#include <cctype>

#include "text/cp1251.h"

namespace ozl::directory {
namespace {

RegistrationTexts CommonTexts() {
  RegistrationTexts texts;
  protocol::Registration& r = texts.fields;
  r.nick = "Ник"_cp1251;
  r.first_name = "Имя"_cp1251;
  r.surname = "Фамилия"_cp1251;
  r.patronymic = "Отчество"_cp1251;
  r.city = "Город"_cp1251;
  r.about = "Немного о себе"_cp1251;
  r.password = "Пароль"_cp1251;
  texts.password_repeat = "Повторите пароль"_cp1251;
  return texts;
}

}  // namespace

RegistrationTexts InitialRegistrationTexts(std::string_view web_host) {
  RegistrationTexts texts = CommonTexts();
  texts.fields.email = "email";
  std::string host(web_host);
  std::transform(host.begin(), host.end(), host.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  texts.fields.chat_nick = "Nick_in_" + host;
  return texts;
}

RegistrationTexts ResetRegistrationTexts(std::string_view web_host) {
  RegistrationTexts texts = CommonTexts();
  texts.fields.email = "e-mail";
  texts.fields.chat_nick = std::string("Ник в чате "_cp1251) + std::string(web_host);
  return texts;
}

protocol::SearchCriteria SearchPlaceholders() {
  protocol::SearchCriteria c;
  c.nick = "Ник"_cp1251;
  c.first_name = "Имя"_cp1251;
  c.surname = "Фамилия"_cp1251;
  c.patronymic = "Отчество"_cp1251;
  c.city = "Город"_cp1251;
  c.email = "e-mail";
  c.id = "Идентификатор"_cp1251;
  c.chat_nick = "Ник в чате"_cp1251;
  return c;
}

protocol::SearchCriteria WithoutPlaceholders(protocol::SearchCriteria criteria) {
  const protocol::SearchCriteria placeholders = SearchPlaceholders();
  for (std::string protocol::SearchCriteria::*field :
       {&protocol::SearchCriteria::nick, &protocol::SearchCriteria::first_name,
        &protocol::SearchCriteria::surname, &protocol::SearchCriteria::patronymic,
        &protocol::SearchCriteria::city, &protocol::SearchCriteria::email,
        &protocol::SearchCriteria::id, &protocol::SearchCriteria::chat_nick}) {
    if (criteria.*field == placeholders.*field) (criteria.*field).clear();
  }
  return criteria;
}

}  // namespace ozl::directory
