"""vexhost serve as a hostile client meets it, over plain HTTP: it listens on loopback only,
answers only requests addressed to it by that name, carrying the page's token, as POSTed JSON of
bounded size, serves no files, and answers everything else with a clear 4xx that leaves the
session as it was."""

import json
import subprocess
import threading
import unittest

from served import VEXHOST, Server, run

START = {"verb": "start", "text": "VexStrCreateInterimProdCmd"}


def what_a_person_sees(server):
    """The view without the journal, which grows whenever the dialogs are looked at."""
    view = server.view()
    view.pop("journal")
    return view


class Safety(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = Server("--check")

    @classmethod
    def tearDownClass(cls):
        cls.server.stop_clean()

    def setUp(self):
        status, _ = self.server.json("POST", "/api/session", {})
        self.assertEqual(status, 200)
        status, answer = self.server.json("POST", "/api/act", START)
        self.assertEqual(status, 200, answer)

    def assertRefusedUnchanged(self, status, *request, contains=None, **options):
        """The request gets `status` with a JSON message, and the session stays as it was."""
        before = what_a_person_sees(self.server)
        got, headers, text = self.server.request(*request, **options)
        self.assertEqual(got, status, text)
        message = json.loads(text)["error"]
        if contains:
            self.assertIn(contains, message)
        self.assertEqual(what_a_person_sees(self.server), before)
        return message

    def test_listens_on_the_loopback_address_only(self):
        self.assertTrue(self.server.host.startswith("127.0.0.1:"))
        port = f"{self.server.port:04X}"
        listening = []
        for table in ("tcp", "tcp6"):
            with open(f"/proc/{self.server.process.pid}/net/{table}") as sockets:
                for line in list(sockets)[1:]:
                    local, state = line.split()[1], line.split()[3]
                    if state == "0A" and local.endswith(":" + port):
                        listening.append(local)
        self.assertEqual(listening, ["0100007F:" + port])

    def test_the_host_header_must_name_this_server(self):
        port = self.server.port
        for host in ("evil.example", f"evil.example:{port}", f"127.0.0.1.evil.example:{port}", "127.0.0.1",
                     f"127.0.0.1:{port + 1}", f"192.168.1.1:{port}", f"0.0.0.0:{port}"):
            with self.subTest(host=host):
                for path in ("/", "/page.js", "/api/view"):
                    self.assertRefusedUnchanged(403, "GET", path, host=host, contains="Host header")
                self.assertRefusedUnchanged(403, "POST", "/api/act", {"verb": "cancel"}, host=host)
        for host in (f"localhost:{port}", f"LOCALHOST:{port}", f"127.0.0.1:{port}"):
            with self.subTest(host=host):
                self.assertEqual(self.server.request("GET", "/", host=host)[0], 200)

    def test_the_interface_asks_for_the_page_token(self):
        wrong = "0" * len(self.server.token)
        for token in (None, "", wrong, self.server.token.upper(), self.server.token + "0"):
            with self.subTest(token=token):
                self.assertRefusedUnchanged(403, "POST", "/api/act", {"verb": "cancel"}, token=token, contains="token")
                self.assertRefusedUnchanged(403, "GET", "/api/view", token=token)
                self.assertRefusedUnchanged(403, "GET", "/api/script", token=token)
                self.assertRefusedUnchanged(403, "POST", "/api/session", {}, token=token)

    def test_another_sites_page_is_turned_away(self):
        self.assertRefusedUnchanged(403, "POST", "/api/act", {"verb": "cancel"},
                                    headers={"Origin": "http://evil.example"}, contains="another site")
        self.assertRefusedUnchanged(403, "POST", "/api/act", {"verb": "cancel"}, headers={"Origin": "null"})
        status, _, _ = self.server.request("POST", "/api/act", {"verb": "cancel"},
                                           headers={"Origin": f"http://{self.server.host}"})
        self.assertEqual(status, 200)

    def test_actions_are_json_sent_by_post(self):
        self.assertRefusedUnchanged(405, "GET", "/api/act", contains="POST")
        self.assertRefusedUnchanged(405, "GET", "/api/session", contains="POST")
        self.assertRefusedUnchanged(405, "POST", "/api/view", {}, contains="GET")
        self.assertRefusedUnchanged(415, "POST", "/api/act", "verb=cancel",
                                    headers={"Content-Type": "application/x-www-form-urlencoded"})
        self.assertRefusedUnchanged(415, "POST", "/api/act", '{"verb": "cancel"}', headers={"Content-Type": "text/plain"})

    def test_malformed_actions_are_bad_requests(self):
        json_type = {"Content-Type": "application/json"}
        for body in ('{"verb": "cancel"', "cancel", "", '{"verb": "cancel"} x', b'{"verb": "class", "text": "\xc3\x28"}'):
            with self.subTest(body=body):
                self.assertRefusedUnchanged(400, "POST", "/api/act", body, headers=json_type, contains="JSON")
        for action in ([], {}, {"verb": "frobnicate"}, {"verb": "quit"}, {"verb": "expect", "text": "running no"},
                       {"verb": "show"}, {"verb": "cancel", "text": "now"}, {"verb": "start"},
                       {"verb": "class", "text": None}, {"verb": "cancel", "also": 1}):
            with self.subTest(action=action):
                self.assertRefusedUnchanged(400, "POST", "/api/act", action)

    def test_a_text_cannot_smuggle_in_another_line(self):
        for text in ("BA-1\nok", "BA-1\rok", "BA-1\u0000", "x\u001b[2J"):
            with self.subTest(text=text):
                self.assertRefusedUnchanged(400, "POST", "/api/act", {"verb": "partnumber", "text": text},
                                            contains="control character")
        # Quotes and comment marks are the text itself: they reach the editor as typed.
        status, answer = self.server.json("POST", "/api/act", {"verb": "partnumber", "text": '#1 "x" # ok'})
        self.assertEqual((status, answer["line"]), (200, r'partnumber "#1 \"x\" # ok"'))
        panel = [box for box in answer["view"]["picture"]["boxes"] if box["name"] == "editorpartnumber"]
        self.assertEqual(panel[0]["lines"], ['#1 "x" # ok'])

    def test_sizes_are_bounded(self):
        self.assertRefusedUnchanged(413, "POST", "/api/act", {"verb": "partnumber", "text": "x" * 20000},
                                    contains="larger than 16384 bytes")
        self.assertRefusedUnchanged(400, "POST", "/api/act", {"verb": "partnumber", "text": "x" * 5000},
                                    contains="longer than 4096")
        self.assertRefusedUnchanged(414, "GET", "/" + "a" * 9000)
        status, _, _ = self.server.request("GET", "/", headers={"X-Padding": "a" * 9000})
        self.assertEqual(status // 100, 4)

    def test_no_file_is_served(self):
        for path in ("/../../etc/passwd", "/%2e%2e/%2e%2e/etc/passwd", "/etc/passwd", "/page.js/../../../etc/passwd",
                     "/index.html", "/CMakeLists.txt", "/web/page/page.js", "/api/", "/api/../../etc/passwd"):
            with self.subTest(path=path):
                got, _, text = self.server.request("GET", path)
                self.assertIn(got, (400, 403, 404), text)
                self.assertNotIn("root:", text)

    def test_a_bad_fault_plan_leaves_the_session(self):
        for request in ({"failAlloc": [0]}, {"failAlloc": ["1"]}, {"raise": ["SetTitle:Oops"]},
                        {"raise": ["SetTitle\nok"]}, {"status": ["SetTitle=-1"]},
                        {"failAlloc": [1] * 17}, {"faults": []}, []):
            with self.subTest(request=request):
                self.assertRefusedUnchanged(400, "POST", "/api/session", request)

    def test_a_refused_action_says_why_and_changes_nothing(self):
        before = what_a_person_sees(self.server)
        status, answer = self.server.json("POST", "/api/act", {"verb": "ok"})
        self.assertEqual(status, 409)
        self.assertEqual(answer["refused"],
                         "ok: OK of 'InterimProductPanel' is insensitive (expected: the panel shown, with OK sensitive)")
        after = what_a_person_sees(self.server)
        self.assertEqual(after["picture"], before["picture"])
        self.assertEqual(after["tree"], before["tree"])
        self.assertEqual(after["script"]["lines"], before["script"]["lines"])
        self.assertTrue(after["script"]["transcript"][-1]["refused"])

    def test_actions_at_once_are_taken_one_at_a_time(self):
        classes = ["Block", "SubBlock", "Panel", "Assembly"]
        statuses = []

        def choose(name):
            for _ in range(10):
                statuses.append(self.server.json("POST", "/api/act", {"verb": "class", "text": name})[0])

        threads = [threading.Thread(target=choose, args=(name,)) for name in classes]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(statuses, [200] * 40)
        view = self.server.view()
        self.assertEqual(view["script"]["lines"], 41)
        status, _, script = self.server.request("GET", "/api/script")
        self.assertEqual(status, 200)
        self.assertEqual(sum(line.startswith("class ") for line in script.splitlines()), 40)


class Usage(unittest.TestCase):
    def vexhost(self, *arguments):
        done = subprocess.run([VEXHOST, *arguments], stdin=subprocess.DEVNULL, capture_output=True, text=True,
                              timeout=30)
        return done.returncode, done.stderr

    def test_options_of_a_scripted_run_do_not_go_with_serve(self):
        for option in (["--script", "x.vex"], ["--svg", "x.svg"], ["--journal", "x.jsonl"], ["--interactive"]):
            with self.subTest(option=option):
                code, err = self.vexhost("serve", "--port", "0", *option)
                self.assertEqual(code, 2)
                self.assertIn(f"serve: {option[0]} does not go with serve", err)

    def test_bad_ports_and_documents_are_refused(self):
        self.assertEqual(self.vexhost("serve", "--port", "70000")[0], 2)
        code, err = self.vexhost("serve", "--port", "0", "--document", "none.json")
        self.assertEqual((code, err.strip()), (2, "vexhost: none.json: cannot be read"))

    def test_a_port_in_use_is_named(self):
        server = Server()
        try:
            code, err = self.vexhost("serve", "--port", str(server.port))
            self.assertEqual(code, 2)
            self.assertIn(f"cannot listen on 127.0.0.1 port {server.port}", err)
        finally:
            server.stop_clean()


if __name__ == "__main__":
    run(__name__)
