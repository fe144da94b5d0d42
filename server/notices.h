// The Russian notices the server sends in "#-" lines.
#pragma once

#include <string_view>

#include "text/cp1251.h"

namespace ozl::server::notice {

inline const std::string_view kWrongLogin = "Неверный идентификатор или пароль."_cp1251;
inline const std::string_view kBadProfile = "Неверный формат анкеты: нужно десять полей без символа |."_cp1251;
inline const std::string_view kControlCharacter = "Недопустимый символ в анкете."_cp1251;
inline const std::string_view kEmptyNick = "Укажите ник."_cp1251;
inline const std::string_view kNickSeparator = "Ник не может содержать символы | ~ -."_cp1251;
inline const std::string_view kEmptyPassword = "Укажите пароль."_cp1251;
inline const std::string_view kFieldTooLong = "Слишком длинное поле анкеты."_cp1251;
inline const std::string_view kNoFreeIds = "Регистрация невозможна: свободных идентификаторов нет."_cp1251;
inline const std::string_view kBusy = "Сервер занят, попробуйте ещё раз."_cp1251;
inline const std::string_view kReplaced = "Вы вошли в OZL с другого компьютера."_cp1251;
inline const std::string_view kUserPrefix = "Пользователь "_cp1251;
inline const std::string_view kNotFoundSuffix = " не найден."_cp1251;
inline const std::string_view kClosedSuffix = " закрыт для дружбы."_cp1251;
inline const std::string_view kContactSelf = "Нельзя добавить в контакт-лист самого себя."_cp1251;
inline const std::string_view kContactsFull = "Контакт-лист переполнен."_cp1251;
inline const std::string_view kRecipientFull = "У получателя слишком много непрочитанных сообщений."_cp1251;
inline const std::string_view kNotInChat = "Сначала войдите в общий чат."_cp1251;
inline const std::string_view kTooManyLogins = "Слишком много неудачных попыток входа. Попробуйте позже."_cp1251;
inline const std::string_view kTooOften = "Не так часто, подождите немного."_cp1251;
inline const std::string_view kChatLineTooLong = "Не так длинно, разбейте на несколько строк."_cp1251;
inline const std::string_view kCompanionReply = "Вы написали: "_cp1251;

}  // namespace ozl::server::notice
