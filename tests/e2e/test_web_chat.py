"""The web chat in a real browser beside the real client: Kot sits in the general chat of the
client under Wine, Zayka enters the same room in headless Chromium through the web chat's
address. Each reads the other's line under the other's name, the browser lists who is in the
room, a line with markup arrives as text on both sides, and a wrong password gets the Russian
refusal page, which does not show the password."""

import os
import sys
import tempfile

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
except ImportError:
    # Debian's python3-selenium belongs to the system's Python, which may not be the first one.
    if sys.executable != "/usr/bin/python3" and os.path.exists("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    raise

import ozl_e2e as e2e
from test_home import chat_lines, enter_chat, list_window, say_in_chat

WEB_CHAT = "http://127.0.0.1:%d/cgi-bin/go.cgi?name=%s&pass=%s&room=main&i=v"


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage", "--disable-gpu"):
        options.add_argument(argument)
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def texts(driver, selector):
    return [element.text for element in driver.find_elements(By.CSS_SELECTOR, selector)]


def client_and_browser_share_the_room(args):
    folder = tempfile.mkdtemp(prefix="ozl-e2e-web-")
    server = e2e.start_real_server(args.server, folder)
    client = e2e.Client(args.exe)
    driver = None
    try:
        e2e.log_in("10001", "kot2002")
        kot_chat = enter_chat(list_window("Kot"))

        driver = browser()
        driver.get(WEB_CHAT % (e2e.SERVER_PORT, "zayka", "zayka2002"))
        assert driver.title == "Общий чат OZL", driver.title
        e2e.wait_for("Kot in the browser's list of the room",
                     lambda: "Kot" in texts(driver, "#people li") and "Zayka" in texts(driver, "#people li"))

        driver.find_element(By.ID, "text").send_keys("<b>web</b> line\n")
        try:
            e2e.wait_for("the browser's line in the client", lambda: "Zayka >> <b>web</b> line" in chat_lines(args.exe),
                         timeout=40)
        except AssertionError:
            raise AssertionError("the client's chat shows %r" % chat_lines(args.exe))
        say_in_chat(args.exe, kot_chat, "<i>hello web</i>")
        e2e.wait_for("the client's line in the browser",
                     lambda: "Kot >> <i>hello web</i>" in texts(driver, "#lines .line"))
        assert "Zayka >> <b>web</b> line" in texts(driver, "#lines .line")
        assert not driver.find_elements(By.CSS_SELECTOR, "#lines b, #lines i"), "markup became elements"

        driver.get(WEB_CHAT % (e2e.SERVER_PORT, "zayka", "wrong-secret"))
        assert driver.find_element(By.ID, "refusal").text == "Неверный ник или пароль.", driver.page_source
        assert "wrong-secret" not in driver.page_source, "the refusal shows the password"
    finally:
        if driver:
            driver.quit()
        client.close()
        server.terminate()
        server.wait()


def main(args):
    client_and_browser_share_the_room(args)


if __name__ == "__main__":
    e2e.run(main)
