-- wrk script: every request is the client's poll ("#PING") of one logged-in session, taking the
-- sessions in turn, one new connection per request as HTTP/1.0 without keep-alive.
local sessions = tonumber(os.getenv("OZL_SESSIONS") or "10000")
local first = tonumber(os.getenv("OZL_FIRST_SESSION") or "100000")
local threads = 0
local counter = 0

function setup(thread)
  thread:set("start", threads * 4999)
  threads = threads + 1
end

function init(args)
  counter = start or 0
end

function request()
  counter = counter + 1
  return "GET / HTTP/1.0\r\nHost: 127.0.0.1\r\n" ..
         "Content-type: application/x-www-form-urlencoded\r\n" ..
         "Session: " .. (first + counter % sessions) .. "\r\nData: #PING\r\nVersion: 0.03b\r\n\r\n"
end
