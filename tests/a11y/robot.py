#!/usr/bin/env python3
"""Does the yearly export the way a screen reader user or a test robot does it:
through the accessibility tree only (AT-SPI actions, editable text, tables,
values), no keys and no clicks. For each edition and recipient, on path 2
(sites first), on a generated school: start dialog, sites, anomalies, registry
correction, protocol, export, "Mostra file", exit; then record-check on the
delivered set and the corrected name looked for in the school records.

Every window met is dumped on the way: each interactive control with its role
and accessible name. A control without a name, or with one of the program's
internal names, fails the run. --dump FILE writes that table (Markdown).

Run it through run-robot.sh, which gives it a display and the buses.
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

import pyatspi

TIMEOUT = 30.0

# Roles a user acts on or reads as a control.
INTERACTIVE = {
    "push button", "check box", "radio button", "combo box", "text", "password text", "list",
    "list item", "table", "table cell", "table column header", "table row header", "page tab",
    "page tab list", "scroll bar", "progress bar", "spin button", "slider", "menu item",
    "toggle button", "entry",
}
# The system's object names (edNome, tsInfo, buNext...) and Qt's English defaults.
INTERNAL = re.compile(r"^(ts|ed|bu|cb|cl|me|gr|la|pc|pb|lb|sh|ac|tc|fm)[A-Z]\w*$|^Panel\d|^Bevel\d|^Label\d|"
                      r"^(Scroll|wait|Cancel$|Yes$|No$|Close$|Line up|Page up)")


class RobotFailure(Exception):
    pass


def wait_for(what, probe, timeout=TIMEOUT):
    """Polls probe until it returns something true; fails naming what."""
    deadline = time.monotonic() + timeout
    last_error = None
    while time.monotonic() < deadline:
        try:
            found = probe()
            if found:
                return found
        except Exception as error:  # the tree changes under the robot
            last_error = error
        time.sleep(0.1)
    raise RobotFailure(f"timed out waiting for {what}" + (f" ({last_error})" if last_error else ""))


def role(node):
    return node.getRoleName()


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def checked(node):
    return node.getState().contains(pyatspi.STATE_CHECKED)


def walk(node, only_showing=True):
    """Every descendant of node (node included), depth first."""
    if node is None:
        return
    if only_showing and role(node) not in ("application",) and not showing(node):
        # Items of a list may be showing while their list is not (a closed
        # combo box): go on below such containers.
        if role(node) not in ("list",):
            return
    yield node
    for i in range(node.childCount):
        yield from walk(node.getChildAtIndex(i), only_showing)


def clean(name):
    return (name or "").strip().rstrip(":").strip()


def label_of(node):
    """The text of the label that names node (labelled-by relation)."""
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            for i in range(relation.getNTargets()):
                return relation.getTarget(i).name
    return ""


def find(root, role_name, name=None, labelled=None, match=None):
    for node in walk(root):
        if role(node) != role_name:
            continue
        if name is not None and clean(node.name) != clean(name):
            continue
        if labelled is not None and clean(label_of(node)) != clean(labelled):
            continue
        if match is not None and not match(node):
            continue
        return node
    return None


def need(root, role_name, name=None, labelled=None, what=None):
    what = what or f"{role_name} {name or labelled!r}"
    return wait_for(what, lambda: find(root, role_name, name=name, labelled=labelled), timeout=10)


def do_action(node, action):
    actions = node.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    if action not in names:
        raise RobotFailure(f"{role(node)} {node.name!r} has no action {action!r} (it has {names})")
    actions.doAction(names.index(action))


def press(window, name):
    button = need(window, "push button", name)
    if not button.getState().contains(pyatspi.STATE_ENABLED):
        raise RobotFailure(f"button {name!r} is disabled")
    do_action(button, "Press")


def text_of(node):
    text = node.queryText()
    return text.getText(0, text.characterCount)


def set_text(node, value):
    node.queryEditableText().setTextContents(value)
    wait_for(f"{node.name!r} to read {value!r}", lambda: text_of(node) == value, timeout=5)


class Program:
    """A running program and its windows in the accessibility tree."""

    def __init__(self, command, env):
        self.process = subprocess.Popen(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self.app = wait_for(f"{command[0]} in the accessibility tree", self._find_app)

    def _find_app(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            try:
                if app is not None and app.get_process_id() == self.process.pid:
                    return app
            except Exception:
                pass
        if self.process.poll() is not None:
            raise RobotFailure(f"the program ended with status {self.process.returncode}: "
                               f"{self.process.stderr.read().decode(errors='replace')}")
        return None

    def windows(self):
        return [self.app.getChildAtIndex(i) for i in range(self.app.childCount)]

    def window(self, what, test):
        def probe():
            for window in self.windows():
                if window is not None and showing(window) and test(window):
                    return window
            return None
        return wait_for(what, probe)

    def gone(self, window_name):
        wait_for(f"window {window_name!r} to close",
                 lambda: all(w is None or w.name != window_name or not showing(w) for w in self.windows()))

    def finish(self, timeout=TIMEOUT):
        try:
            out, err = self.process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            raise RobotFailure("the program did not end after Esci")
        return self.process.returncode, out, err

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


class Dump:
    """The interactive controls of every window met, checked for their names."""

    def __init__(self):
        self.rows = []
        self.faults = []

    def window(self, window, title):
        self.rows.append((title, role(window), window.name))
        tables_seen = set()
        for node in walk(window):
            r = role(node)
            if r not in INTERACTIVE:
                continue
            parent = node.parent
            if r == "table cell" or r == "table row header":
                # One record of a table stands for all of them: its first row.
                key = (id(parent), r)
                index = node.getIndexInParent()
                try:
                    table = parent.queryTable()
                    if table.getRowAtIndex(index) > 0 if r == "table cell" else key in tables_seen:
                        continue
                except NotImplementedError:
                    pass
                tables_seen.add(key)
            if r == "list item" and parent is not None and node.getIndexInParent() > 2:
                continue
            name = node.name or ""
            self.rows.append((title, r, name))
            if not name.strip() and r not in ("table cell",):
                self.faults.append(f"{title}: {r} without a name")
            elif INTERNAL.search(name.strip()):
                self.faults.append(f"{title}: {r} with an internal name {name!r}")
            if name != name.strip() and r != "table cell":
                self.faults.append(f"{title}: {r} name {name!r} has blanks around it")

    def markdown(self):
        lines = ["| Window | Role | Accessible name |", "|---|---|---|"]
        seen = set()
        for row in self.rows:
            if row in seen:
                continue
            seen.add(row)
            title, r, name = row
            short = name.replace("\n", " ")
            if len(short) > 90:
                short = short[:87] + "..."
            lines.append(f"| {title} | {r} | {short.replace('|', '/')} |")
        return "\n".join(lines) + "\n"


class Run:
    """One export: an edition and a recipient, on path 2."""

    def __init__(self, args, edition, target, dump, root):
        self.args = args
        self.edition = edition
        self.target = target
        self.dump = dump
        self.root = root
        self.step = "set-up"
        self.new_name = "Istituto Robot " + ("Classico" if edition == "classic" else "Corrente")
        self.new_code = "RBPS00001" + ("C" if edition == "classic" else "N")

    def log(self, text):
        print(f"[{self.edition} {self.target}] {text}", flush=True)

    def begin(self, step):
        self.step = step
        self.log(f"step {step}")

    def prepare(self):
        root = self.root
        self.data = os.path.join(root, "data")
        install = os.path.join(root, "install")
        self.home = os.path.join(root, "home")
        os.makedirs(self.home)
        if self.args.generator:
            subprocess.run([self.args.generator, self.data, "--demo", "--seed", "2024", "--schools", "3",
                            "--classes", "9", "--adoptions", "60"], check=True, stdout=subprocess.DEVNULL)
        else:
            shutil.copytree(os.path.join(self.args.demo, "data"), self.data)
        shutil.copytree(os.path.join(self.args.demo, "install"), install)
        stamp = time.mktime((2021, 9, 1, 10, 0, 0, 0, 0, -1))
        datrex = os.path.join(install, "ETC", "datrex")
        for name in os.listdir(datrex):
            os.utime(os.path.join(datrex, name), (stamp, stamp))
        self.hklm = os.path.join(root, "hklm.reg")
        with open(self.hklm, "wb") as f:
            f.write(b"REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\VexonMorvale]\r\n\"MainDir\"=\"" +
                    install.encode() + b"/\"\r\n")
        self.pause = os.path.join(root, "pause")
        os.makedirs(self.pause)

    def env(self):
        env = dict(os.environ)
        env["HOME"] = self.home
        env.pop("XDG_CONFIG_HOME", None)
        env["ADOXPORT_HKLM"] = self.hklm
        env["ADOXPORT_TEST_PAUSE_AT"] = "zip-file"
        env["ADOXPORT_TEST_PAUSE_DIR"] = self.pause
        env["LC_ALL"] = "C.UTF-8"
        return env

    def execute(self):
        self.prepare()
        program = self.args.classic if self.edition == "classic" else self.args.program
        self.program = Program([program], self.env())
        try:
            self.start_dialog()
            self.site_page()
            if self.edition == "current":  # the earlier edition has no anomaly page
                self.anomaly_page()
            self.registry_page()
            self.export_page()
            self.record_files()
            self.exit()
        finally:
            self.program.kill()
        self.check_delivery()

    def main_window(self, step):
        return self.program.window(f"the wizard on the page {step!r}",
                                   lambda w: role(w) == "dialog" and w.name.endswith(" " + step))

    def start_dialog(self):
        self.begin("start dialog")
        window = self.program.window("the start dialog", lambda w: find(w, "push button", "Avvia") is not None)
        self.dump.window(window, "Avvio")
        self.begin("data folder")
        set_text(need(window, "text", labelled="Cartella dei dati", what="the data folder field"), self.data)
        self.begin("recipient")
        combo = need(window, "combo box", labelled="Destinatario", what="the recipient combo box")
        wanted = "ANARPE" if self.target == "anarpe" else "AIE"
        item = wait_for(f"the item {wanted}", lambda: find(combo, "list item",
                                                            match=lambda n: n.name.startswith(wanted)))
        do_action(item, "Toggle")
        wait_for(f"the combo box to show {item.name!r} (it shows {combo.name!r})",
                 lambda: combo.name == item.name, timeout=5)
        self.begin("sites first")
        box = need(window, "check box", "Scegliere prima la descrizione ufficiale delle sedi")
        if not checked(box):
            do_action(box, "Toggle")
        wait_for("the check box to be ticked", lambda: checked(box), timeout=5)
        self.begin("start")
        press(window, "Avvia")

    def site_page(self):
        self.begin("site page")
        window = self.main_window("Selezione sedi")
        sites = need(window, "list", "Sedi", what="the site list")
        items = [sites.getChildAtIndex(i) for i in range(sites.childCount)]
        if not items:
            raise RobotFailure("the site list has no items")
        for item in items:
            if role(item) != "check box" and not item.getState().contains(pyatspi.STATE_CHECKABLE):
                raise RobotFailure(f"the site {item.name!r} does not say it can be ticked")
        self.dump.window(window, "Selezione sedi")
        # Avanti with nothing ticked: the message box says why, and is closed
        # through the tree.
        self.begin("site message")
        press(window, "Avanti >")
        box = self.program.window("the message box", lambda w: role(w) in ("alert", "dialog") and
                                  find(w, "push button", "OK") is not None and w.name != window.name)
        self.dump.window(box, "Messaggio")
        press(box, "OK")
        self.begin("tick sites")
        codes = set()
        for item in items:
            code = item.name.split(" - ")[0]
            if code in codes:
                continue
            codes.add(code)
            do_action(item, "Toggle")
            wait_for(f"the site {item.name!r} to be ticked", lambda: checked(item), timeout=5)
        press(window, "Avanti >")

    def anomaly_page(self):
        self.begin("anomaly page")
        window = self.main_window("Anomalie")
        report = need(window, "text", "Anomalie rilevate", what="the anomaly report")
        wait_for("the anomaly report's text", lambda: text_of(report).strip())
        self.dump.window(window, "Anomalie")
        press(window, "Avanti >")

    def registry_page(self):
        self.begin("registry page")
        window = self.main_window("Anagrafica")
        grid = need(window, "table", "Sedi della scuola", what="the registry grid")
        table = grid.queryTable()
        columns = [clean(table.getColumnDescription(c)) or clean(table.getColumnHeader(c).name)
                   for c in range(table.nColumns)]
        if "Nome" not in columns:
            raise RobotFailure(f"the grid has no column named 'Nome': {columns}")
        name_column = columns.index("Nome")
        row = table.nRows - 1
        self.dump.window(window, "Anagrafica")
        self.begin("choose a school")
        table.addRowSelection(row)
        name_edit = need(window, "text", "Nome", what="the name field")
        wanted = table.getAccessibleAt(row, name_column).name
        wait_for(f"the name field to follow the chosen row ({wanted!r}, it reads {text_of(name_edit)!r})",
                 lambda: text_of(name_edit) == wanted, timeout=5)
        header = table.getRowHeader(row)
        if header is None or "corrente" not in header.name:
            raise RobotFailure(f"the chosen row's header does not say it is current: "
                               f"{header.name if header else None!r}")
        self.begin("correct the school")
        set_text(name_edit, self.new_name)
        set_text(need(window, "text", "Ex codice", what="the former code field"), self.new_code)
        press(window, "Modifica")
        wait_for("the grid to show the corrected name",
                 lambda: table.getAccessibleAt(row, name_column).name == self.new_name, timeout=5)
        protocol = find(window, "text", "Numero di protocollo")
        if self.edition == "current":
            self.begin("protocol")
            if protocol is None:
                raise RobotFailure("the protocol field is missing")
            set_text(protocol, "ROBOT/2024")
            need(window, "check box", "Correzione o secondo tentativo")
        press(window, "Avanti >")

    def export_page(self):
        self.begin("export")
        window = self.main_window("Esportazione")
        page = None
        progress_seen = False
        deadline = time.monotonic() + 60
        polls = 0
        while time.monotonic() < deadline:
            markers = os.listdir(self.pause)
            if markers:
                if not progress_seen:
                    progress_seen = True
                    self.progress_window()
                for marker in markers:
                    os.remove(os.path.join(self.pause, marker))
            elif polls % 10 == 0:  # the packing pauses at every step: the tree now and then
                page = next((n for n in walk(window) if n.name == "Esportazione" and n.description), None)
                if page is not None:
                    break
            polls += 1
            time.sleep(0.01)
        if page is None:
            raise RobotFailure("the export page never said how the export ended")
        log = need(window, "text", "Registro dell'esportazione", what="the export log")
        if page.description != "Esportazione completata":
            raise RobotFailure(f"the export did not finish: {page.description!r}\n{text_of(log)}")
        if self.target == "anarpe" and not progress_seen and not self.args.no_pause_points:
            raise RobotFailure("the packing's progress window never appeared")
        if "OK" not in text_of(log):
            raise RobotFailure(f"the log reads: {text_of(log)!r}")
        self.dump.window(window, "Esportazione")

    def progress_window(self):
        self.begin("progress window")
        window = self.program.window("the progress window",
                                     lambda w: find(w, "progress bar") is not None)
        if role(window) != "dialog":
            raise RobotFailure(f"the progress window is a {role(window)}, not a dialog")
        expected = "Esportazione adozioni" + (" (edizione precedente)" if self.edition == "classic" else "")
        if window.name != expected:
            raise RobotFailure(f"the progress window is titled {window.name!r}, not {expected!r}")
        bar = find(window, "progress bar")
        value = bar.queryValue()
        if not value.maximumValue > value.minimumValue:
            raise RobotFailure("the progress bar has no range")
        if "Adoz" not in bar.description:
            raise RobotFailure(f"the progress bar does not name the file being packed: {bar.description!r}")
        need(window, "push button", "Annulla")
        self.dump.window(window, "Avanzamento")
        self.begin("export")

    def record_files(self):
        self.begin("show files")
        window = self.main_window("Esportazione")
        press(window, "Mostra file")
        viewer = self.program.window("the record files window", lambda w: "file generati" in w.name.lower())
        tabs = [n for n in walk(viewer) if role(n) == "page tab"]
        if not tabs:
            raise RobotFailure("the record files window has no tabs")
        table_node = wait_for("a table of records", lambda: find(viewer, "table"))
        table = table_node.queryTable()
        if table.nRows == 0 or not table.getAccessibleAt(0, 0).name.strip():
            raise RobotFailure("the first record cannot be read")
        self.dump.window(viewer, "Mostra file")
        press(viewer, "Chiudi")
        self.program.gone(viewer.name)

    def exit(self):
        self.begin("exit")
        window = self.main_window("Esportazione")
        press(window, "Esci")
        status, _, err = self.program.finish()
        if status != 0:
            raise RobotFailure(f"the program ended with status {status}: {err.decode(errors='replace')}")

    def check_delivery(self):
        self.begin("record-check")
        delivery = os.path.join(self.home, "rozadiver", "datrex", self.target)
        names = sorted(os.listdir(delivery)) if os.path.isdir(delivery) else []
        if not names:
            raise RobotFailure("nothing was delivered")
        command = [self.args.record_check] + [os.path.join(delivery, n) for n in names]
        if self.edition == "classic":
            command += ["--edition", "classic"]
        check = subprocess.run(command, capture_output=True)
        if check.returncode != 0 or check.stderr:
            raise RobotFailure(f"record-check: status {check.returncode}\n{check.stderr.decode(errors='replace')}")
        contents = {}
        for name in names:
            path = os.path.join(delivery, name)
            if name.endswith(".zip"):
                with zipfile.ZipFile(path) as archive:
                    for member in archive.namelist():
                        contents[member] = archive.read(member)
            else:
                with open(path, "rb") as f:
                    contents[name] = f.read()
        wanted = self.new_name.encode("cp1252")
        holders = sorted(n for n, data in contents.items() if wanted in data)
        if not holders:
            raise RobotFailure(f"the corrected name {self.new_name!r} is in none of {sorted(contents)}")
        self.log(f"delivered {sorted(contents)}, record-check clean, corrected name in {holders}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--classic", required=True)
    parser.add_argument("--record-check", required=True)
    parser.add_argument("--demo", required=True, help="the demo folder (installation files, data)")
    parser.add_argument("--generator", help="adox-gen; without it the demo school is used")
    parser.add_argument("--no-pause-points", action="store_true",
                        help="the programs have no test pause points: the progress window may pass unseen")
    parser.add_argument("--only", help="edition:target, e.g. current:anarpe")
    parser.add_argument("--dump", help="write the table of controls here")
    parser.add_argument("--keep", action="store_true", help="keep the work folders")
    args = parser.parse_args()

    runs = [(e, t) for e in ("current", "classic") for t in ("aie", "anarpe")]
    if args.only:
        runs = [tuple(args.only.split(":"))]
    dump = Dump()
    failures = []
    for edition, target in runs:
        root = tempfile.mkdtemp(prefix=f"robot-{edition}-{target}-")
        run = Run(args, edition, target, dump, root)
        started = time.monotonic()
        try:
            run.execute()
            run.log(f"passed in {time.monotonic() - started:.1f} s")
        except (RobotFailure, Exception) as error:
            failures.append(f"{edition} {target}: step '{run.step}': {error}")
            run.log(f"FAILED at step '{run.step}': {error}")
        finally:
            if not args.keep:
                shutil.rmtree(root, ignore_errors=True)
    for fault in dict.fromkeys(dump.faults):
        failures.append(f"tree: {fault}")
    if args.dump:
        with open(args.dump, "w", encoding="utf-8") as f:
            f.write(dump.markdown())
    for failure in failures:
        print("FAIL:", failure, flush=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
