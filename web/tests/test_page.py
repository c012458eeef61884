"""The page in headless Chromium, worked as a person would: start the command, choose a class from
the browser's list or type one, type a part number, press OK or Cancel, close the window, meet a
refusal and its error box, press what the host refuses, set a fault plan; then download the
session and replay it with vexhost --script. A click made with the mouse held as a hand holds it,
a whole run by keyboard, a 600 px window, two tabs on one session, and other modules' dialogs
worked through the same generic verbs, two windows open at once among them. Also makes the
README's screenshot and measures a click's round trip to the redrawn page (reported, not
judged)."""

import json
import os
import re
import shlex
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import unittest

from served import SKIPPED, VEXHOST, Browser, Server, browser_missing, run

COMMAND = "VexStrCreateInterimProdCmd"
PANEL = "InterimProductPanel"
ERROR_BOX = "VexStrErrorBox"
CLASS_FRAME = f"{PANEL}/frmClass"
PART_NUMBER = f"{PANEL}/editorpartnumber"
EXAMPLE_MODULE = os.environ.get("VEXWEB_EXAMPLE_MODULE", "")
NUMBER_PARTS_MODULE = os.environ.get("VEXWEB_NUMBER_PARTS_MODULE", "")
APPLY_PARTS_MODULE = os.environ.get("VEXWEB_APPLY_PARTS_MODULE", "")
OUTPUT = os.environ.get("VEXWEB_OUTPUT", ".")
DOCS = os.environ.get("VEXWEB_DOCS", "")


_browser = None


def shared_browser():
    """One Chromium for every test class: starting one costs more than a test."""
    global _browser
    if _browser is None:
        _browser = Browser()
    return _browser


def tearDownModule():
    if _browser is not None:
        _browser.quit()


class PageTest(unittest.TestCase):
    """A person's hands and eyes on the page of one server."""

    server_arguments = ("--check",)

    @classmethod
    def setUpClass(cls):
        from selenium.webdriver.common.action_chains import ActionChains
        from selenium.webdriver.common.by import By
        from selenium.webdriver.common.keys import Keys
        from selenium.webdriver.support.ui import WebDriverWait
        from selenium.common.exceptions import StaleElementReferenceException

        cls.ActionChains, cls.By, cls.Keys, cls.Wait = ActionChains, By, Keys, WebDriverWait
        cls.Stale = StaleElementReferenceException
        cls.server = Server(*cls.server_arguments)
        cls.browser = shared_browser()
        cls.driver = cls.browser.driver

    @classmethod
    def tearDownClass(cls):
        cls.server.stop_clean()

    def setUp(self):
        status, _ = self.server.json("POST", "/api/session", {})
        self.assertEqual(status, 200)
        self.driver.set_window_size(*self.browser.size)
        self.load()
        self.driver.get_log("browser")  # what earlier tests left in the console

    def load(self):
        self.driver.get(self.server.url)
        self.until(lambda d: d.execute_script("return document.body.dataset.ready") == "yes", "the page is ready")

    def until(self, condition, what, timeout=10):
        # An element the page redrew while the condition read it is read again at the next poll.
        return self.Wait(self.driver, timeout, poll_frequency=0.005, ignored_exceptions=(self.Stale,)).until(
            condition, f"waited for: {what}")

    def actions_done(self):
        return int(self.driver.execute_script("return document.body.dataset.actions || '0'"))

    def acting(self, gesture, *arguments, count=1):
        """Makes the gesture and waits until the page has drawn what the server answered to the
        `count` actions it makes."""
        before = self.actions_done()
        gesture(*arguments)
        self.until(lambda d: self.actions_done() >= before + count, "the page redrawn after the action")

    def find(self, css):
        return self.driver.find_element(self.By.CSS_SELECTOR, css)

    def found(self, css):
        return self.driver.find_elements(self.By.CSS_SELECTOR, css)

    def widget(self, window, name):
        return self.find(f'.inside [data-window="{window}"][data-name="{name}"]')

    def window(self, name):
        return self.find(f'.box.window[data-window="{name}"]')

    def click(self, css):
        self.acting(lambda: self.find(css).click())

    def press(self, window, name):
        self.acting(lambda: self.widget(window, name).click())

    def hold_and_release(self, element, count):
        """Presses the mouse on the element, holds it 0.1 s as a hand does, and releases it."""
        chain = self.ActionChains(self.driver).click_and_hold(element).pause(0.1).release()
        self.acting(chain.perform, count=count)

    def type_into(self, window, name, text):
        # Selects the text and types over it, as a person would: one change, sent by Enter.
        editor = self.widget(window, name)
        self.acting(lambda: editor.send_keys(self.Keys.CONTROL, "a", self.Keys.NULL, text, self.Keys.ENTER))

    def keys(self, *keys):
        """Keys pressed on whatever holds the focus."""
        self.ActionChains(self.driver).send_keys(*keys).perform()

    def focused(self):
        return self.driver.switch_to.active_element

    def tab_to(self, css, limit=40):
        for _ in range(limit):
            if self.driver.execute_script("return document.activeElement.matches(arguments[0])", css):
                return
            self.keys(self.Keys.TAB)
        self.fail(f"Tab never reached {css}")

    def start(self):
        self.click("#start")

    def message(self):
        element = self.find("#message")
        return element.get_attribute("class"), element.text

    def product(self, path):
        items = self.found(f'#tree li[data-path="{path}"]')
        return items[0] if items else None

    def transcript(self):
        # Read in one go: the page may redraw the list between two reads of its elements.
        return self.driver.execute_script(
            "return [...document.querySelectorAll('#transcript li > code')].map((code) => code.innerText)")

    def choose_from_the_browser(self, name):
        self.press(PANEL, "ClassBrowser")
        self.click(f'[data-offer="{name}"]')

    def console_errors(self):
        return [entry for entry in self.driver.get_log("browser") if entry["level"] == "SEVERE"]

    def download(self):
        """Clicks the download button; the path of the file it saved."""
        folder = self.browser.downloads
        for name in os.listdir(folder):
            os.remove(os.path.join(folder, name))
        self.find("#download").click()
        path = os.path.join(folder, "session.vex")
        self.until(lambda d: os.path.exists(path) and os.path.getsize(path) > 0, "the script downloaded")
        return path

    def replay(self, path, *extra):
        """Runs the downloaded script with the arguments it names: (exit code, output, script)."""
        with open(path, encoding="utf-8") as script:
            text = script.read()
        arguments = shlex.split(re.search(r"^#@ args: (.*)$", text, re.M).group(1))
        done = subprocess.run([VEXHOST, *arguments, *extra, "--script", path], stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=60)
        return done.returncode, done.stdout + done.stderr, text

    def replay_as_shown(self, path):
        """Pastes the replay command the page shows into bash, in the downloaded script's folder,
        with this build's vexhost first on the PATH: (exit code, output). The command shown must be
        the server's, character for character."""
        shown = self.find("#replay-command").get_attribute("textContent")  # blanks as they stand
        self.assertEqual(shown, self.server.view()["script"]["replayCommand"])
        environment = dict(os.environ, PATH=os.path.dirname(VEXHOST) + os.pathsep + os.environ.get("PATH", ""))
        done = subprocess.run(["bash", "-c", shown], cwd=os.path.dirname(path), env=environment,
                              stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=60)
        return done.returncode, done.stdout + done.stderr


class Page(PageTest):
    # ---- the flows ----

    def test_create_with_a_class_from_the_browsers_list(self):
        self.start()
        self.assertEqual(self.widget(PANEL, "OK").get_attribute("aria-disabled"), "true")
        # While the command runs its objects are alive: said calmly, not in red.
        self.assertEqual(self.find("#accounting").get_attribute("class"), "calm")
        self.assertTrue(self.find("#accounting-note").is_displayed())
        self.press(PANEL, "ClassBrowser")
        offered = [option.get_attribute("data-offer") for option in self.found("[data-offer]")]
        self.assertEqual(offered, ["Block", "SubBlock", "Panel", "Assembly"])
        self.find("#desk-title").click()
        self.assertEqual(self.found("[data-offer]"), [], "a click elsewhere closes the list")
        self.press(PANEL, "ClassBrowser")
        self.click('[data-offer="Assembly"]')
        self.assertEqual(self.found("[data-offer]"), [], "the list closes once a class is chosen")
        self.assertEqual(self.widget(PANEL, "ClassEditor").get_attribute("value"), "Assembly")
        self.assertIsNone(self.widget(PANEL, "OK").get_attribute("aria-disabled"))
        self.type_into(PANEL, "editorpartnumber", "BA-201")
        self.press(PANEL, "OK")
        self.assertEqual(self.found(f'[data-window="{PANEL}"]'), [])
        created = self.product("Hull/Block A/Assembly 1")
        self.assertIsNotNone(created)
        self.assertIn("new", created.get_attribute("class").split())
        self.assertIn("interim Assembly", created.text)
        block_a = self.product("Hull/Block A")
        self.assertIn("changed", block_a.get_attribute("class").split())
        self.assertIn("BA-201 was BA-200", block_a.text)
        self.assertEqual(self.transcript(), [f"start {COMMAND}", f"browse {CLASS_FRAME}", f"browse {CLASS_FRAME}",
                                             f"browse {CLASS_FRAME} Assembly", f"type {PART_NUMBER} BA-201",
                                             f"press {PANEL}/OK"])
        self.assertIn("running: no", self.find("#state").text)
        self.assertEqual(self.find("#accounting").get_attribute("class"), "clean")

    def test_cancel_after_typing_a_class_creates_nothing(self):
        self.start()
        self.type_into(PANEL, "ClassEditor", "Panel")
        self.assertIsNone(self.widget(PANEL, "OK").get_attribute("aria-disabled"))
        self.press(PANEL, "Cancel")
        self.assertEqual(self.found(".box.window"), [])
        self.assertEqual(self.found("#tree li.new, #tree li.changed"), [])
        self.assertEqual(self.transcript(), [f"start {COMMAND}", f"choose {CLASS_FRAME} Panel", f"press {PANEL}/Cancel"])

    def test_the_close_box_ends_the_command(self):
        self.start()
        self.click(f'.closebox[data-window="{PANEL}"]')
        self.assertEqual(self.found(".box.window"), [])
        self.assertEqual(self.transcript()[-1], f"close {PANEL}")
        self.assertIn("running: no", self.find("#state").text)

    def test_a_refusal_shows_the_error_box_titled_as_a_person_sees_it(self):
        self.click('#tree li[data-path="Hull/Block B"] > .product')
        self.assertIn("active", self.product("Hull/Block B").get_attribute("class").split())
        self.start()
        message = self.find(f'.box.message[data-window="{ERROR_BOX}"]')
        self.assertEqual(message.text, "Block B is released for production: no interim product can be added to it")
        self.assertEqual(self.window(ERROR_BOX).find_element(self.By.CSS_SELECTOR, ".title").text, "Error")
        self.assertEqual(self.window(ERROR_BOX).get_attribute("aria-label"), "Error")
        self.assertEqual(self.found(f'[data-window="{PANEL}"]'), [])
        self.press(ERROR_BOX, "OK")
        self.assertEqual(self.found(".box.window"), [])
        # Escape acknowledges a message box as its OK does.
        self.start()
        self.assertEqual(self.focused().get_attribute("data-name"), "OK", "the box that opened holds the focus")
        self.acting(self.keys, self.Keys.ESCAPE)
        self.assertEqual(self.found(".box.window"), [])
        self.assertEqual(self.transcript(), ["active Hull/Block B", f"start {COMMAND}", f"acknowledge {ERROR_BOX}",
                                             f"start {COMMAND}", f"acknowledge {ERROR_BOX}"])

    def test_what_the_host_refuses_is_shown_and_changes_nothing(self):
        self.start()
        before = self.widget(PANEL, "editorpartnumber").get_attribute("value")
        self.press(PANEL, "OK")  # greyed out: no class chosen yet
        kind, text = self.message()
        self.assertEqual(kind, "refused")
        self.assertIn("OK of 'InterimProductPanel' is insensitive", text)
        self.assertEqual(self.widget(PANEL, "editorpartnumber").get_attribute("value"), before)
        # The editor takes 72 characters, as the host's does: the 73rd is not taken while typing.
        self.type_into(PANEL, "editorpartnumber", "X" * 73)
        kind, text = self.message()
        self.assertEqual(kind, "done")
        self.assertEqual(self.widget(PANEL, "editorpartnumber").get_attribute("value"), "X" * 72)
        refused = [item.get_attribute("class") == "refused" for item in self.found("#transcript li")]
        self.assertEqual(refused, [False, True, False])
        self.assertEqual(json.loads(self.server.request("GET", "/api/view")[2])["script"]["lines"], 2)

    def test_a_creation_the_host_refuses_is_said(self):
        self.start()
        self.type_into(PANEL, "ClassEditor", "Hovercraft")  # no class of the factory's family
        self.assertIsNone(self.widget(PANEL, "OK").get_attribute("aria-disabled"))
        self.press(PANEL, "OK")
        kind, text = self.message()
        self.assertEqual(kind, "refused")
        self.assertIn("The host refused", text)
        self.assertIn('CreateInterimProduct(Block A.factory; "Hovercraft"', text)
        self.assertEqual(self.found("#tree li.new"), [])
        self.assertTrue(self.found("#journal li.failed"), "the refused call is marked in the journal")

    def test_no_editor_leaves_nothing_to_start_on(self):
        self.click("#noeditor")
        self.assertIn("no-editor", self.find("#tree").get_attribute("class").split())
        self.start()
        self.assertEqual(self.found(".box.window"), [])
        self.assertEqual(self.transcript(), ["noeditor", f"start {COMMAND}"])

    def test_the_downloaded_script_replays_to_the_same_end(self):
        self.start()
        self.choose_from_the_browser("Panel")
        self.type_into(PANEL, "editorpartnumber", 'BA "7" #2')
        self.press(PANEL, "OK")
        self.click('#tree li[data-path="Hull/Block B"] > .product')
        self.start()  # ends on the error box, with a command running
        code, output, script = self.replay(self.download())
        self.assertEqual(code, 0, output)
        self.assertIn(rf'type {PART_NUMBER} "BA \"7\" #2"', script)
        self.assertIn(f"expect dialog {ERROR_BOX} shown", script)
        self.assertNotIn("FAILED", output)
        self.assertGreater(output.count("  passed"), 15)
        self.assertIn("accounting: clean", output)

    def test_a_fault_plan_starts_a_new_session_that_replays(self):
        self.find("#fail-alloc").send_keys("23")
        self.find("#new-session").click()  # nothing recorded yet: nothing to ask about
        self.until(lambda d: "allocation #23 fails" in self.find("#faults-now").text, "the new session's fault plan")
        self.assertEqual(self.transcript(), [])
        self.start()
        # The 23rd allocation is the part-number frame's: the panel opens without it.
        self.assertEqual(self.found(f'[data-window="{PANEL}"][data-name="editorpartnumber"]'), [])
        self.type_into(PANEL, "ClassEditor", "Block")
        self.press(PANEL, "OK")
        self.assertIsNotNone(self.product("Hull/Block A/Block 1"))
        code, output, script = self.replay(self.download())
        self.assertIn("#@ args: --fail-alloc 23 --check", script)
        self.assertEqual(code, 0, output)

    def test_a_bad_fault_plan_is_explained(self):
        self.find("#raise").send_keys("SetTitle:Oops")
        self.find("#new-session").click()
        self.until(lambda d: self.message()[0] == "error", "the error")
        self.assertIn("unknown error kind 'Oops'", self.message()[1])

    # ---- a person's habits ----

    def test_typing_then_clicking_with_the_mouse_held_counts(self):
        """The editor's change is sent when the mouse goes down on the button; the answer must not
        take the button away before the mouse comes up."""
        self.start()
        editor = self.widget(PANEL, "ClassEditor")
        editor.send_keys(self.Keys.CONTROL, "a", self.Keys.NULL, "Assembly")
        self.hold_and_release(self.widget(PANEL, "OK"), count=2)
        self.assertEqual(self.transcript(), [f"start {COMMAND}", f"choose {CLASS_FRAME} Assembly", f"press {PANEL}/OK"])
        self.assertIsNotNone(self.product("Hull/Block A/Assembly 1"))

        self.start()
        self.widget(PANEL, "editorpartnumber").send_keys(self.Keys.CONTROL, "a", self.Keys.NULL, "BA-999")
        self.hold_and_release(self.widget(PANEL, "Cancel"), count=2)
        self.assertEqual(self.transcript()[-2:], [f"type {PART_NUMBER} BA-999", f"press {PANEL}/Cancel"])
        self.assertEqual(self.found(".box.window"), [])
        self.assertNotIn("BA-999", self.product("Hull/Block A").text)

    def test_a_whole_run_by_keyboard(self):
        self.tab_to("#start")
        self.acting(self.keys, self.Keys.ENTER)
        self.assertEqual(self.focused().get_attribute("data-name"), "ClassEditor", "the dialog that opened has the focus")
        self.keys(self.Keys.TAB)
        self.assertEqual(self.focused().get_attribute("data-name"), "ClassBrowser")
        self.assertEqual(self.focused().get_attribute("aria-label"), "Browse the classes: Interim product class")
        self.acting(self.keys, self.Keys.ENTER)
        self.assertEqual(self.focused().get_attribute("data-offer"), "Block", "the list takes the focus")
        self.keys(self.Keys.ARROW_DOWN, self.Keys.ARROW_DOWN, self.Keys.ARROW_DOWN, self.Keys.ARROW_DOWN, self.Keys.ARROW_UP)
        self.assertEqual(self.focused().get_attribute("data-offer"), "Assembly")
        self.acting(self.keys, self.Keys.ENTER)
        self.assertEqual(self.widget(PANEL, "ClassEditor").get_attribute("value"), "Assembly")
        self.assertEqual(self.focused().get_attribute("data-name"), "ClassBrowser", "the focus is back on the button")
        self.keys(self.Keys.TAB)
        self.assertEqual(self.focused().get_attribute("aria-label"), "Part number of the active product")
        self.focused().send_keys(self.Keys.CONTROL, "a", self.Keys.NULL, "BA-301")
        self.acting(self.keys, self.Keys.TAB)  # leaving the editor sends its text
        self.assertEqual(self.focused().get_attribute("data-name"), "OK")
        self.acting(self.keys, self.Keys.ENTER)
        self.assertIsNotNone(self.product("Hull/Block A/Assembly 1"))
        self.assertIn("BA-301 was BA-200", self.product("Hull/Block A").text)
        self.assertEqual(self.focused().get_attribute("id"), "start", "with the dialog gone, the focus is on Start")

        # Escape closes the class list first, then cancels the dialog; a text typed and not sent is dropped.
        self.acting(self.keys, self.Keys.ENTER)
        self.keys(self.Keys.TAB)
        self.acting(self.keys, self.Keys.ENTER)
        self.assertTrue(self.found("[data-offer]"))
        self.keys(self.Keys.ESCAPE)
        self.assertEqual(self.found("[data-offer]"), [])
        self.assertEqual(self.focused().get_attribute("data-name"), "ClassBrowser")
        self.ActionChains(self.driver).key_down(self.Keys.SHIFT).send_keys(self.Keys.TAB).key_up(self.Keys.SHIFT).perform()
        self.assertEqual(self.focused().get_attribute("data-name"), "ClassEditor")
        self.focused().send_keys(self.Keys.CONTROL, "a", self.Keys.NULL, "Panel")
        self.acting(self.keys, self.Keys.ESCAPE)
        self.assertEqual(self.found(".box.window"), [])
        self.assertEqual(self.transcript()[-3:], [f"start {COMMAND}", f"browse {CLASS_FRAME}", f"press {PANEL}/Cancel"])
        self.assertIsNone(self.product("Hull/Block A/Panel 1"))
        self.assertEqual(self.console_errors(), [])

    def test_every_control_is_reachable_in_a_600_px_window(self):
        self.start()
        # Long texts (the replay command holds the paths of this checkout) wrap at any width.
        for window_width in (400, 600):
            self.driver.set_window_size(window_width, 800)
            width = self.driver.execute_script("return document.documentElement.clientWidth")
            self.assertLessEqual(self.driver.execute_script("return document.documentElement.scrollWidth"), width,
                                 f"the page scrolls sideways in a {window_width} px window")
        controls = self.found("button, input, select, textarea")
        self.assertGreater(len(controls), 15)
        for control in controls:
            if not control.is_displayed():
                continue
            left, right = self.driver.execute_script(
                "arguments[0].scrollIntoView({block: 'center'}); const r = arguments[0].getBoundingClientRect(); "
                "return [r.left, r.right];", control)
            self.assertGreaterEqual(left, 0, control.get_attribute("outerHTML")[:120])
            self.assertLessEqual(right, width, control.get_attribute("outerHTML")[:120])
        self.click(f'.closebox[data-window="{PANEL}"]')

        # The error box wraps its text: it covers nothing and its OK stays on the page.
        self.click('#tree li[data-path="Hull/Block B"] > .product')
        self.start()
        box = self.driver.execute_script("return arguments[0].getBoundingClientRect().toJSON()", self.window(ERROR_BOX))
        ok = self.driver.execute_script("return arguments[0].getBoundingClientRect().toJSON()", self.widget(ERROR_BOX, "OK"))
        tree = self.driver.execute_script("return arguments[0].getBoundingClientRect().toJSON()", self.find("#tree"))
        self.assertLessEqual(box["right"], width)
        self.assertLessEqual(ok["right"], width)
        self.assertTrue(box["bottom"] <= tree["top"] or box["top"] >= tree["bottom"], "the error box covers the tree")
        self.press(ERROR_BOX, "OK")
        self.assertEqual(self.found(".box.window"), [])

    def test_nothing_jumps_between_clicks(self):
        """The message bar keeps its height, so the controls beside and below it stay put."""
        def where():
            return self.driver.execute_script(
                "return [document.getElementById('message').offsetHeight, "
                "document.getElementById('start').getBoundingClientRect().top]")
        first = where()
        self.start()
        self.press(PANEL, "OK")  # refused: a message of its own
        self.press(PANEL, "Cancel")  # a longer one
        self.click('#tree li[data-path="Hull/Block B"] > .product')
        self.start()
        self.assertEqual(where(), first)

    def test_a_new_session_asks_before_discarding_the_recording(self):
        self.start()
        self.find("#new-session").click()
        dialog = self.find("#confirm-new")
        self.until(lambda d: dialog.is_displayed(), "the question")
        self.assertIn("1 line", dialog.text)
        self.find("#keep-session").click()
        self.assertFalse(dialog.is_displayed())
        self.assertEqual(self.transcript(), [f"start {COMMAND}"])
        self.assertTrue(self.found(".box.window"))

        self.find("#new-session").click()
        self.find("#discard-session").click()
        self.until(lambda d: self.transcript() == [] and not self.found(".box.window"), "the new session")
        self.assertEqual(self.console_errors(), [])

    def test_a_failed_download_or_new_session_does_not_swallow_the_next_click(self):
        # The network fails once for each, as a dropped connection would.
        self.driver.execute_script("""
            const real = window.fetch;
            const failing = new Set(["/api/script", "/api/session"]);
            window.fetch = (path, init) => failing.delete(path) ? Promise.reject(new TypeError("connection dropped"))
                                                               : real(path, init);""")
        self.find("#download").click()
        self.until(lambda d: self.message() == ("error", "Not done: connection dropped"), "the failed download said")
        self.start()
        self.assertTrue(self.found(f'.box.window[data-window="{PANEL}"]'))
        self.press(PANEL, "Cancel")
        self.find("#fail-alloc").send_keys("1")
        self.find("#new-session").click()
        self.find("#discard-session").click()
        self.until(lambda d: self.message() == ("error", "Not done: connection dropped"), "the failed new session said")
        # The session goes on as it was, without the fault plan that was not taken.
        self.start()
        self.assertTrue(self.found(f'.box.window[data-window="{PANEL}"]'))
        self.assertEqual(self.transcript(), [f"start {COMMAND}", f"press {PANEL}/Cancel", f"start {COMMAND}"])

    def test_the_help_says_the_keys(self):
        self.find("#help-open").click()
        help_dialog = self.find("#help")
        self.until(lambda d: help_dialog.is_displayed(), "the help")
        self.assertIn("Escape", help_dialog.text)
        self.keys(self.Keys.ESCAPE)
        self.until(lambda d: not help_dialog.is_displayed(), "the help closed")
        self.assertEqual(self.found(".box.window"), [], "Escape in the help touches no dialog")

    def test_two_tabs_follow_one_session(self):
        # By the server's event stream where its views are numbered, else by asking every second.
        follows = "events" if isinstance(self.server.view().get("version"), int) else "polling"
        self.assertEqual(self.driver.execute_script("return document.body.dataset.follows"), follows)
        first = self.driver.current_window_handle
        self.driver.switch_to.new_window("tab")
        try:
            self.load()
            self.start()
            self.driver.switch_to.window(first)
            self.until(lambda d: self.found(f'.box.window[data-window="{PANEL}"]'), "the first tab shows the panel")
            self.type_into(PANEL, "ClassEditor", "Block")
            self.press(PANEL, "OK")
            seen_here = (self.transcript(), self.product("Hull/Block A/Block 1").text)
            self.driver.switch_to.window(self.driver.window_handles[-1])
            self.until(lambda d: self.product("Hull/Block A/Block 1") is not None, "the second tab shows the new product")
            self.assertEqual((self.transcript(), self.product("Hull/Block A/Block 1").text), seen_here)
            self.assertEqual(self.found(".box.window"), [])
            self.assertEqual(self.console_errors(), [])
        finally:
            self.driver.close()
            self.driver.switch_to.window(first)

    def test_journal_numbers_are_whole(self):
        for _ in range(6):
            self.start()
            self.press(PANEL, "Cancel")
        numbers = self.found("#journal .number")
        self.assertGreaterEqual(int(numbers[-1].text), 1000)
        clipped = self.driver.execute_script(
            "const list = document.getElementById('journal').getBoundingClientRect();"
            "return [...document.querySelectorAll('#journal .number')].filter(n => {"
            "  const r = n.getBoundingClientRect(); return r.left < list.left || n.scrollWidth > n.clientWidth; }).length")
        self.assertEqual(clipped, 0)

    # ---- figures ----

    def test_screenshot_for_the_readme(self):
        self.start()
        self.choose_from_the_browser("Assembly")
        self.type_into(PANEL, "editorpartnumber", "BA-201")
        self.press(PANEL, "OK")
        self.start()
        self.type_into(PANEL, "editorpartnumber", "BA-202")
        self.press(PANEL, "ClassBrowser")
        self.driver.set_window_size(1500, 1080)
        path = os.path.join(OUTPUT, "page.png")
        self.assertTrue(self.driver.save_screenshot(path))
        if DOCS and os.environ.get("VEXWEB_UPDATE_SCREENSHOT") == "1":
            self.assertTrue(self.driver.save_screenshot(os.path.join(DOCS, "page.png")))
            print(f"updated {os.path.join(DOCS, 'page.png')}", file=sys.stderr)

    def test_click_round_trips(self):
        """Start and Cancel, 60 times each: every click redraws the page with the panel shown or gone.
        The times are written to click-round-trips.json and printed; they are not judged here."""
        clicks = 120
        observed = []
        for i in range(clicks):
            began = time.perf_counter()
            if i % 2 == 0:
                self.start()
                self.assertEqual(len(self.found(f'[data-window="{PANEL}"][data-name="Cancel"]')), 1)
            else:
                self.press(PANEL, "Cancel")
                self.assertEqual(self.found(".box.window"), [])
            observed.append((time.perf_counter() - began) * 1000)
        in_page = self.driver.execute_script("return window.vexRoundTrips")
        self.assertEqual(len(in_page), clicks)

        def summary(times):
            ordered = sorted(times)
            return {"median": round(statistics.median(ordered), 2),
                    "p95": round(ordered[int(0.95 * (len(ordered) - 1))], 2), "max": round(ordered[-1], 2)}

        figures = {"clicks": clicks, "answered_ms": summary([trip["answered"] for trip in in_page]),
                   "redrawn_ms": summary([trip["drawn"] for trip in in_page]),
                   "drawing_ms": summary([trip["drawn"] - trip["answered"] for trip in in_page]),
                   "through_webdriver_ms": summary(observed)}
        with open(os.path.join(OUTPUT, "click-round-trips.json"), "w") as out:
            json.dump(figures, out, indent=2)
        print(f"\nclick round trips: {json.dumps(figures)}", file=sys.stderr)


@unittest.skipUnless(EXAMPLE_MODULE, "VEXWEB_EXAMPLE_MODULE names no example module")
class AnotherModule(PageTest):
    """The rename-part example: one dialog with one editor, nothing of this project's panel."""

    server_arguments = ("--check", "--module", EXAMPLE_MODULE)
    DIALOG = "RenamePartDialog"

    def test_its_dialog_is_worked_by_mouse_and_keyboard_and_replays(self):
        self.start()
        window = self.window(self.DIALOG)
        self.assertEqual(window.get_attribute("aria-label"), "Rename the active product")
        editor = self.widget(self.DIALOG, "editorname")
        self.assertEqual(editor.get_attribute("value"), "BA-200")
        self.assertEqual(editor.get_attribute("aria-label"), "Rename the active product")
        self.assertEqual(self.focused(), editor)
        editor.send_keys(self.Keys.CONTROL, "a", self.Keys.NULL, "RN-7")
        self.hold_and_release(self.widget(self.DIALOG, "OK"), count=2)
        self.assertIn("RN-7 was BA-200", self.product("Hull/Block A").text)

        self.start()
        self.acting(self.keys, self.Keys.ESCAPE)
        self.start()
        self.click(f'.closebox[data-window="{self.DIALOG}"]')
        self.assertEqual(self.found(".box.window"), [])
        self.assertEqual(self.transcript(), ["start VexExRenamePartCmd", f"type {self.DIALOG}/editorname RN-7",
                                             f"press {self.DIALOG}/OK", "start VexExRenamePartCmd",
                                             f"press {self.DIALOG}/Cancel", "start VexExRenamePartCmd",
                                             f"close {self.DIALOG}"])
        self.assertEqual(self.console_errors(), [])
        path = self.download()
        with open(path, encoding="utf-8") as script:
            named = "--module" in script.read()
        code, output, _ = self.replay(path, *(() if named else ("--module", EXAMPLE_MODULE)))
        self.assertEqual(code, 0, output)
        self.assertNotIn("FAILED", output)


@unittest.skipUnless(NUMBER_PARTS_MODULE, "VEXWEB_NUMBER_PARTS_MODULE names no module")
class NumberParts(PageTest):
    """The number-parts example: a panel of two editors, a confirmation over it and an error box,
    the panel greyed out while either is up. The module is loaded from a folder whose name a shell
    would split and a careless quoting would break, so the replay command the page shows works
    only when it is quoted right."""

    COMMAND = "VexExNumberPartsCmd"
    PANEL = "NumberPartsPanel"
    CONFIRM = "ConfirmNumbering"
    ERROR = "NumberPartsError"
    NUMBER = f"{PANEL}/editornumber"

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="vexweb number parts ")
        awkward = os.path.join(cls.folder, 'it\'s  "$(here)"')
        os.mkdir(awkward)
        cls.server_arguments = ("--check", "--module", shutil.copy(NUMBER_PARTS_MODULE, awkward))
        super().setUpClass()

    @classmethod
    def tearDownClass(cls):
        try:
            super().tearDownClass()
        finally:
            shutil.rmtree(cls.folder, ignore_errors=True)

    def value(self, name):
        return self.widget(self.PANEL, name).get_attribute("value")

    def assert_panel_greyed_and_unusable(self, over):
        """The panel under the `over` dialog is drawn greyed; typing into its editors changes nothing
        and sends nothing, and its buttons and close box are refused by the host and change nothing."""
        panel = self.window(self.PANEL)
        self.assertIn("off", panel.get_attribute("class").split())
        self.assertEqual(panel.get_attribute("aria-disabled"), "true")
        for name in ("labelprefix", "editorprefix", "labelnumber", "editornumber", "OK", "Cancel"):
            self.assertIn("off", self.widget(self.PANEL, name).get_attribute("class").split(), name)
        values = (self.value("editorprefix"), self.value("editornumber"))
        lines = self.server.view()["script"]["lines"]
        for name in ("editorprefix", "editornumber"):
            editor = self.widget(self.PANEL, name)
            # The dialog over the panel may cover the editor: focused as a keyboard would reach it.
            self.driver.execute_script("arguments[0].focus()", editor)
            editor.send_keys(self.Keys.END, "9", self.Keys.BACKSPACE, self.Keys.BACKSPACE, "7")
            self.assertEqual((self.value("editorprefix"), self.value("editornumber")), values)
        for control in (self.widget(self.PANEL, "OK"), self.widget(self.PANEL, "Cancel"),
                        self.find(f'.closebox[data-window="{self.PANEL}"]')):
            self.acting(control.click)
            kind, text = self.message()
            self.assertEqual(kind, "refused")
            self.assertIn(f"the dialog '{self.PANEL}' is insensitive", text)
        self.assertEqual(self.server.view()["script"]["lines"], lines, "nothing typed or pressed was recorded")
        self.assertEqual((self.value("editorprefix"), self.value("editornumber")), values)
        self.assertTrue(self.window(over).is_displayed())

    def assert_panel_usable(self, prefix, number):
        panel = self.window(self.PANEL)
        self.assertNotIn("off", panel.get_attribute("class").split())
        self.assertIsNone(self.widget(self.PANEL, "editornumber").get_attribute("readonly"))
        self.assertEqual((self.value("editorprefix"), self.value("editornumber")), (prefix, number))

    def test_an_editor_takes_no_more_than_its_maximum_width(self):
        """The prefix editor takes six characters, as the host's editor does: typing past them takes
        nothing more, and the six are what is sent and held. A character outside the basic plane
        counts once."""
        self.start()
        editor = self.widget(self.PANEL, "editorprefix")
        self.assertEqual(editor.get_attribute("data-max"), "6")
        editor.send_keys(self.Keys.CONTROL, "a", self.Keys.NULL, "ABCDEFGHIJ")
        self.assertEqual(self.value("editorprefix"), "ABCDEF", "held while typing, before it is sent")
        self.acting(editor.send_keys, self.Keys.ENTER)
        self.assertEqual(self.transcript()[-1], f"type {self.PANEL}/editorprefix ABCDEF")
        self.assertEqual(self.message()[0], "done")
        self.assertEqual(self.value("editorprefix"), "ABCDEF")
        self.driver.execute_script(
            "const e = arguments[0]; e.focus(); e.value = 'Z\\u{1F600}1234567';"
            "e.dispatchEvent(new Event('input'));", editor)
        self.assertEqual(self.value("editorprefix"), "Z\U0001F6001234")
        self.assertEqual(self.console_errors(), [])

    def test_a_number_is_confirmed_after_a_cancel_and_the_session_replays(self):
        self.start()
        self.assertEqual(self.window(self.PANEL).get_attribute("aria-label"), "Number the active product")
        self.assertEqual(self.focused(), self.widget(self.PANEL, "editorprefix"))
        self.assert_panel_usable("BA-", "200")
        # The prefix by keyboard, sent by Tab; the number typed and sent as the mouse goes down on
        # OK, which is held as a hand holds it.
        self.focused().send_keys(self.Keys.CONTROL, "a", self.Keys.NULL, "X-")
        self.acting(self.keys, self.Keys.TAB)
        self.assertEqual(self.focused(), self.widget(self.PANEL, "editornumber"))
        self.focused().send_keys(self.Keys.CONTROL, "a", self.Keys.NULL, "0201")
        self.hold_and_release(self.widget(self.PANEL, "OK"), count=2)
        self.assertEqual(self.widget(self.CONFIRM, "labelquestion").text, "Replace BA-200 with X-0201?")
        self.assertEqual(self.focused(), self.widget(self.CONFIRM, "OK"), "the confirmation takes the focus")

        # Escape cancels the confirmation: back to the panel as it was, usable again.
        self.acting(self.keys, self.Keys.ESCAPE)
        self.assertEqual(self.found(f'.box.window[data-window="{self.CONFIRM}"]'), [])
        self.assert_panel_usable("X-", "0201")
        self.assertEqual(self.focused(), self.widget(self.PANEL, "editorprefix"))
        self.keys(self.Keys.TAB, self.Keys.TAB)
        self.assertEqual(self.focused(), self.widget(self.PANEL, "OK"))
        self.acting(self.keys, self.Keys.ENTER)
        self.assert_panel_greyed_and_unusable(over=self.CONFIRM)

        self.hold_and_release(self.widget(self.CONFIRM, "OK"), count=1)
        self.assertEqual(self.found(".box.window"), [])
        block_a = self.product("Hull/Block A")
        self.assertIn("changed", block_a.get_attribute("class").split())
        self.assertIn("X-0201 was BA-200", block_a.text)
        self.assertIn("running: no", self.find("#state").text)
        self.assertEqual(
            [line for line, entry in zip(self.transcript(), self.found("#transcript li"))
             if entry.get_attribute("class") != "refused"],
            [f"start {self.COMMAND}", f"type {self.PANEL}/editorprefix X-", f"type {self.NUMBER} 0201",
             f"press {self.PANEL}/OK", f"press {self.CONFIRM}/Cancel", f"press {self.PANEL}/OK",
             f"press {self.CONFIRM}/OK"])
        # The host's refusals above are answers, not failed requests: the console stays clean.
        self.assertEqual(self.console_errors(), [])

        code, output = self.replay_as_shown(self.download())
        self.assertEqual(code, 0, output)
        self.assertNotIn("FAILED", output)
        self.assertIn("expect partnumber \"Hull/Block A\" X-0201", output)
        self.assertIn("accounting: clean", output)

    def test_a_number_not_of_digits_shows_the_error_box_until_its_ok(self):
        self.start()
        number = self.widget(self.PANEL, "editornumber")
        number.click()
        number.send_keys(self.Keys.CONTROL, "a", self.Keys.NULL, "12x")
        self.acting(self.widget(self.PANEL, "OK").click, count=2)
        box = self.window(self.ERROR)
        self.assertEqual(box.find_element(self.By.CSS_SELECTOR, ".title").text, "Cannot number the product")
        self.assertEqual(self.find(f'.box.message[data-window="{self.ERROR}"]').text,
                         'The number must be digits only, not "12x".')
        self.assert_panel_greyed_and_unusable(over=self.ERROR)
        self.press(self.ERROR, "OK")
        self.assertEqual(self.found(f'.box.window[data-window="{self.ERROR}"]'), [])
        self.assert_panel_usable("BA-", "12x")

        # By keyboard: the number emptied and sent by Enter, OK by Enter, the box acknowledged by Escape.
        self.widget(self.PANEL, "editornumber").send_keys(self.Keys.CONTROL, "a", self.Keys.BACKSPACE)
        self.acting(self.keys, self.Keys.ENTER)
        self.keys(self.Keys.TAB)
        self.assertEqual(self.focused(), self.widget(self.PANEL, "OK"))
        self.acting(self.keys, self.Keys.ENTER)
        self.assertEqual(self.find(f'.box.message[data-window="{self.ERROR}"]').text, "Type a number of up to 12 digits.")
        self.assertEqual(self.focused(), self.widget(self.ERROR, "OK"), "the error box takes the focus")
        self.acting(self.keys, self.Keys.ESCAPE)
        self.assert_panel_usable("BA-", "")

        # The session ends on the error box over the greyed panel, and replays to that end.
        self.type_into(self.PANEL, "editornumber", "7x")
        self.press(self.PANEL, "OK")
        self.assertEqual(self.transcript(), [
            f"start {self.COMMAND}", f"type {self.NUMBER} 12x", f"press {self.PANEL}/OK",
            # what the host refused while the error box was up
            f"press {self.PANEL}/OK", f"press {self.PANEL}/Cancel", f"close {self.PANEL}",
            f"acknowledge {self.ERROR}", f'type {self.NUMBER} ""', f"press {self.PANEL}/OK",
            f"acknowledge {self.ERROR}",
            f"type {self.NUMBER} 7x", f"press {self.PANEL}/OK"])
        code, output = self.replay_as_shown(self.download())
        self.assertEqual(code, 0, output)
        self.assertNotIn("FAILED", output)
        self.assertIn(f"expect sensitive {self.NUMBER} off", output)


@unittest.skipUnless(APPLY_PARTS_MODULE, "VEXWEB_APPLY_PARTS_MODULE names no module")
class ApplyParts(PageTest):
    """The apply-parts example: a panel and a bar open together, the bar adding a product at once
    while the panel stays usable; a confirmation that returns to the panel; an error box that
    returns to it or ends the command. Every window worked by mouse and by keyboard."""

    server_arguments = ("--check", "--module", APPLY_PARTS_MODULE)
    COMMAND = "VexExApplyPartsCmd"
    PANEL = "ApplyPartsPanel"
    BAR = "ApplyBar"
    CONFIRM = "ConfirmPartNumber"
    ERROR = "ApplyPartsError"

    def shown(self, name):
        return bool(self.found(f'.box.window[data-window="{name}"]'))

    def usable(self, name):
        return self.shown(name) and "off" not in self.window(name).get_attribute("class").split()

    def value(self, name):
        return self.widget(self.PANEL, name).get_attribute("value")

    def assert_only_over(self, over):
        """`over` is up and takes the focus; the panel and the bar under it are greyed out."""
        self.assertTrue(self.usable(over))
        self.assertEqual(self.focused(), self.widget(over, "OK"), f"{over} takes the focus")
        for window in (self.PANEL, self.BAR):
            self.assertTrue(self.shown(window), window)
            self.assertFalse(self.usable(window), f"{window} is greyed out under {over}")

    def assert_back_to_the_panel(self, part_number):
        self.assertFalse(self.shown(self.CONFIRM) or self.shown(self.ERROR))
        self.assertTrue(self.usable(self.PANEL) and self.usable(self.BAR))
        self.assertEqual(self.value("editorpartnumber"), part_number)

    def assert_ended(self):
        self.assertEqual(self.found(".box.window"), [])
        self.assertIn("running: no", self.find("#state").text)

    def test_the_bar_adds_at_once_while_the_panel_stays_open(self):
        self.start()
        self.assertTrue(self.usable(self.PANEL) and self.usable(self.BAR), "both windows open and usable")
        self.assertEqual(self.window(self.BAR).get_attribute("aria-label"), "Apply")
        # By mouse: the bar's OK adds a SubBlock numbered from the code; both windows stay.
        self.press(self.BAR, "OK")
        self.assertIn("BA-200-1", self.product("Hull/Block A/SubBlock 1").text)
        self.assertEqual(self.widget(self.BAR, "labeladded").text, "Added 1; the last is BA-200-1.")
        self.assertTrue(self.usable(self.PANEL) and self.usable(self.BAR))
        # A class from the browser's list; the code, held at 8 characters, and the bar's OK by keyboard.
        self.press(self.PANEL, "ClassBrowser")
        self.click('[data-offer="Assembly"]')
        self.widget(self.PANEL, "editorcode").send_keys(self.Keys.CONTROL, "a", self.Keys.NULL, "AS-123456789")
        self.assertEqual(self.value("editorcode"), "AS-12345")
        self.acting(self.keys, self.Keys.ENTER)
        self.tab_to(f'[data-window="{self.BAR}"][data-name="OK"]')
        self.acting(self.keys, self.Keys.ENTER)
        self.assertIn("AS-12345-2", self.product("Hull/Block A/Assembly 1").text)
        self.assertTrue(self.usable(self.PANEL) and self.usable(self.BAR))
        # Escape on the bar is its Cancel: the command ends, what it added stays.
        self.acting(self.keys, self.Keys.ESCAPE)
        self.assert_ended()
        self.assertIsNotNone(self.product("Hull/Block A/Assembly 1"))
        # The bar's close box, and the panel's, each end the command by mouse.
        for window in (self.BAR, self.PANEL):
            self.start()
            self.click(f'.closebox[data-window="{window}"]')
            self.assert_ended()
        self.assertEqual(self.transcript(), [
            f"start {self.COMMAND}", f"press {self.BAR}/OK", f"browse {self.PANEL}/frmClass",
            f"browse {self.PANEL}/frmClass Assembly", f"type {self.PANEL}/editorcode AS-12345", f"press {self.BAR}/OK",
            f"press {self.BAR}/Cancel", f"start {self.COMMAND}", f"close {self.BAR}", f"start {self.COMMAND}",
            f"close {self.PANEL}"])
        self.assertEqual(self.console_errors(), [])

    def test_the_confirmation_returns_and_the_error_box_returns_or_ends(self):
        self.start()
        self.type_into(self.PANEL, "editorpartnumber", "BA-777")
        # The confirmation's Escape, close box and Cancel each return to the panel as it was.
        self.press(self.PANEL, "OK")
        self.assertEqual(self.widget(self.CONFIRM, "labelquestion").text, "Replace BA-200 with BA-777?")
        self.assert_only_over(self.CONFIRM)
        self.acting(self.keys, self.Keys.ESCAPE)
        self.assert_back_to_the_panel("BA-777")
        self.tab_to(f'[data-window="{self.PANEL}"][data-name="OK"]')
        self.acting(self.keys, self.Keys.ENTER)
        self.assert_only_over(self.CONFIRM)
        self.click(f'.closebox[data-window="{self.CONFIRM}"]')
        self.assert_back_to_the_panel("BA-777")
        self.press(self.PANEL, "OK")
        self.press(self.CONFIRM, "Cancel")
        self.assert_back_to_the_panel("BA-777")
        self.assertIn("BA-200", self.product("Hull/Block A").text)
        # A mistake (no code): the error box, acknowledged by Escape and by mouse, returns.
        self.widget(self.PANEL, "editorcode").send_keys(self.Keys.CONTROL, "a", self.Keys.BACKSPACE)
        self.acting(self.keys, self.Keys.ENTER)
        for acknowledge in (lambda: self.acting(self.keys, self.Keys.ESCAPE), lambda: self.press(self.ERROR, "OK")):
            self.press(self.BAR, "OK")
            self.assertEqual(self.find(f'.box.message[data-window="{self.ERROR}"]').text,
                             "Type the code the products are numbered from: CODE-1, CODE-2 and on.")
            self.assert_only_over(self.ERROR)
            acknowledge()
            self.assert_back_to_the_panel("BA-777")
        self.assertIsNone(self.product("Hull/Block A/SubBlock 1"))
        # The confirmation's OK by keyboard: the part number is set and the command ends.
        self.press(self.PANEL, "OK")
        self.acting(self.keys, self.Keys.ENTER)
        self.assert_ended()
        self.assertIn("BA-777 was BA-200", self.product("Hull/Block A").text)
        # A product that takes no interim product: the error box alone, whose OK ends the command,
        # by mouse and by keyboard.
        self.click('#tree li[data-path="Hull/Block B"] > .product')
        for acknowledge in (lambda: self.press(self.ERROR, "OK"), lambda: self.acting(self.keys, self.Keys.ENTER)):
            self.start()
            self.assertEqual([box.get_attribute("data-window") for box in self.found(".box.window")], [self.ERROR])
            self.assertEqual(self.focused(), self.widget(self.ERROR, "OK"))
            acknowledge()
            self.assert_ended()
        self.assertEqual(self.console_errors(), [])
        code, output, _ = self.replay(self.download())
        self.assertEqual(code, 0, output)
        self.assertNotIn("FAILED", output)
        self.assertIn("accounting: clean", output)


if __name__ == "__main__":
    missing = browser_missing()
    if missing:
        print(f"the browser tests cannot run: {missing}", file=sys.stderr)
        sys.exit(1 if os.environ.get("CI") else SKIPPED)
    run(__name__)
