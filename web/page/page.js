// The page of vexhost serve: draws what the server sends and turns each click, typed text or key
// into an action the server runs as a script line. Nothing here decides what an action does, and
// nothing here knows a module's dialogs: each box of the view says which generic verb it takes.
"use strict";

(() => {
  const token = document.querySelector('meta[name="vex-token"]').content;
  const byId = (id) => document.getElementById(id);
  let cell = { w: 9, h: 22 };  // pixels of one character cell of the layout
  let queue = Promise.resolve();
  let lastView = null;         // the view drawn last
  let tallestStage = 0;        // the dialogs' area never shrinks, so that nothing below it jumps
  // Each action's round trip in milliseconds: from the click to the answer read, and to the
  // redrawn, laid-out page.
  const roundTrips = [];
  window.vexRoundTrips = roundTrips;

  // An element with attributes ("text" sets its text, "on..." adds a listener) and children.
  function el(tag, attributes, ...children) {
    const element = document.createElement(tag);
    for (const [key, value] of Object.entries(attributes || {})) {
      if (value === undefined || value === null || value === false) continue;
      if (key === "text") element.textContent = value;
      else if (key.startsWith("on")) element.addEventListener(key.slice(2), value);
      else element.setAttribute(key, value === true ? "" : value);
    }
    element.append(...children);
    return element;
  }

  // Sets or removes an attribute, touching the element only when it changes.
  function attribute(element, name, value) {
    if (value === undefined || value === null || value === false) {
      if (element.hasAttribute(name)) element.removeAttribute(name);
    } else if (element.getAttribute(name) !== String(value)) {
      element.setAttribute(name, value);
    }
  }

  function setText(element, text) {
    if (element.textContent !== text) element.textContent = text;
  }

  async function request(method, path, body) {
    const init = { method, headers: { "X-Vex-Token": token } };
    if (body !== undefined) {
      init.headers["Content-Type"] = "application/json";
      init.body = JSON.stringify(body);
    }
    const response = await fetch(path, init);
    let data;
    try {
      data = await response.json();
    } catch {
      data = { error: `the server answered HTTP ${response.status}` };
    }
    return { status: response.status, data };
  }

  // The message bar keeps its place and its height: only its text and colour change.
  function say(kind, text) {
    const message = byId("message");
    message.className = kind;
    setText(message, text || "");
  }

  // Tasks run one after the other, in the order they were asked for. A task that fails is reported
  // and never stops the ones after it.
  function schedule(task) {
    queue = queue.then(task).catch((error) => say("error", `Not done: ${error && error.message ? error.message : error}`));
    return queue;
  }

  // ---- actions ----

  function enqueue(act, text) {
    const started = performance.now();
    const body = { verb: act.verb };
    if (act.target !== undefined) body.target = act.target;
    if (text !== undefined) body.text = text;
    return schedule(() => perform(body, started));
  }

  // The host calls answered with a failing status since the journal stood at `before`.
  function failuresSince(view, before) {
    return (view.journal.failures || []).filter((failure) => failure.number > before);
  }

  let lastAction = 0;  // when this page last acted: polling waits while the person works

  async function perform(body, started) {
    lastAction = performance.now();
    const journalBefore = lastView ? lastView.journal.total : 0;
    const { status, data } = await request("POST", "/api/act", body);
    const answered = performance.now() - started;
    if (data.view) render(data.view, true);
    if (status === 200 && data.refused !== undefined) {
      say("refused", `Refused: ${data.refused}`);
    } else if (status === 200) {
      const failures = data.view ? failuresSince(data.view, journalBefore) : [];
      const output = data.output.trimEnd();
      if (failures.length) {
        say("refused", `${output}\nThe host refused (a failing status), so this was not done:\n` +
          failures.map((failure) => `  ${failure.text}`).join("\n"));
      } else {
        say("done", output);
      }
      if (data.offer) showOffer(data.offer, body.target);
    } else {
      say("error", `Not done (HTTP ${status}): ${data.error}`);
    }
    void document.body.offsetHeight;  // lay the page out: the round trip ends with the redrawn page
    roundTrips.push({ answered, drawn: performance.now() - started });
    document.body.dataset.actions = String(roundTrips.length);
  }

  function measureCell() {
    const probe = el("span", { class: "probe", text: "M".repeat(40) });
    byId("dialogs").append(probe);
    const box = probe.getBoundingClientRect();
    probe.remove();
    if (box.width > 0) cell = { w: box.width / 40, h: Math.max(22, Math.ceil(box.height) + 4) };
  }

  // ---- the dialogs, from the layout's boxes, updated in place ----
  //
  // Each window and each box keeps its element from one answer to the next, so that a button
  // pressed while an editor's change is on its way is still there when the mouse is released,
  // and the focus stays where the person put it.

  const drawnWindows = new Map();  // window name -> { element, inside, title, boxes: Map key -> element }

  function actOf(element) { return element._act; }

  function placeIn(element, box, window, flow) {
    if (flow) {
      for (const property of ["left", "top", "width", "height"]) element.style[property] = "";
      return;
    }
    // A frame's border runs through the middle of its outer cells, as in the text drawing.
    const inset = box.kind === "frame" ? 0.5 : 0;
    element.style.left = `${(box.x - window.x + inset) * cell.w}px`;
    element.style.top = `${(box.y - window.y - 1 + inset) * cell.h}px`;
    element.style.width = `${(box.w - 2 * inset) * cell.w}px`;
    element.style.height = `${(box.h - 2 * inset) * cell.h}px`;
  }

  function newEditor(box) {
    const multiline = box.h > 1;
    const editor = el(multiline ? "textarea" : "input", { spellcheck: "false", autocomplete: "off" });
    if (!multiline) editor.type = "text";
    editor._dirty = false;
    editor._max = 0;  // the editor's maximum width in characters, as the host holds it; 0: none
    editor.addEventListener("input", () => {
      editor._dirty = true;
      holdToMaximum(editor);
    });
    editor.addEventListener("change", () => {
      editor._dirty = false;
      const act = actOf(editor);
      if (act && !editor.readOnly) enqueue(act, editor.value);
    });
    // Enter sends the text; a text of several lines cannot be a script line's.
    if (multiline) {
      editor.addEventListener("keydown", (event) => {
        if (event.key !== "Enter") return;
        event.preventDefault();
        editor.dispatchEvent(new Event("change"));
      });
    }
    return editor;
  }

  // Takes no character past the editor's maximum width, as the host's editor does: characters, not
  // UTF-16 units, so a character outside the basic plane counts once.
  function holdToMaximum(editor) {
    if (!editor._max) return;
    const characters = Array.from(editor.value);
    if (characters.length <= editor._max) return;
    editor.value = characters.slice(0, editor._max).join("");
  }

  function newBox(box) {
    switch (box.kind) {
      case "frame": return el("div", {}, el("span", { class: "legend" }));
      case "editor": return newEditor(box);
      case "combo": return el("div", {}, el("span", { class: "shown" }), el("span", { class: "arrow", text: "▾", "aria-hidden": "true" }));
      case "button": {
        const button = el("button", { type: "button" });
        // A greyed-out button with an action still sends it: the host's hands refuse it and say why.
        button.addEventListener("click", () => { if (actOf(button)) enqueue(actOf(button)); });
        return button;
      }
      case "separator": return el("div", {}, el("hr"));
      default: return el("div");
    }
  }

  function updateEditor(editor, box) {
    const text = box.lines.join("\n");
    attribute(editor, "aria-label", box.label);
    editor.readOnly = !box.act || !box.sensitive;
    editor._max = box.max || 0;
    if (editor._max) attribute(editor, "data-max", String(editor._max));
    // An editor shows what the host holds, not what was typed into it and refused; but a text the
    // person is typing right now is theirs until they send it.
    editor._hostText = text;
    const typing = editor._dirty && document.activeElement === editor;
    if (!typing) {
      editor._dirty = false;
      if (editor.value !== text) editor.value = text;
    }
  }

  // Why a widget that is there does nothing: the host tells no module of what a person does with it.
  const inertNote = "There, but it does nothing: this host tells no module of it";

  function updateBox(element, box) {
    element._act = box.act;
    attribute(element, "class", `box ${box.kind}${box.sensitive ? "" : " off"}${box.inert ? " inert" : ""}`);
    attribute(element, "data-window", box.window);
    attribute(element, "data-name", box.name);
    attribute(element, "data-verb", box.act && box.act.verb);
    attribute(element, "data-target", box.act && box.act.target);
    attribute(element, "aria-disabled", box.sensitive ? null : "true");
    switch (box.kind) {
      case "frame": setText(element.firstChild, box.title); element.firstChild.hidden = !box.title; break;
      case "editor": updateEditor(element, box); break;
      case "combo":
        setText(element.firstChild, box.title);
        attribute(element, "role", "img");
        attribute(element, "aria-label", `${box.label}: ${box.title}`);
        attribute(element, "title", box.inert && box.sensitive ? inertNote : null);
        break;
      case "button":
        setText(element, box.title);
        attribute(element, "aria-label", box.label !== box.title ? box.label : null);
        // A button no module hears says so where the pointer rests on it.
        attribute(element, "title", box.inert ? inertNote : box.label !== box.title ? box.label : null);
        element.disabled = !box.act;
        break;
      case "message": setText(element, box.lines.join("\n")); break;
      case "separator": break;
      default: setText(element, box.title);
    }
  }

  function newWindow() {
    const title = el("span", { class: "title" });
    const bar = el("div", { class: "titlebar" }, title);
    const inside = el("div", { class: "inside" });
    // The title row is the window's first row of cells; the boxes stand in the rows under it.
    bar.style.height = `${cell.h}px`;
    inside.style.top = `${cell.h}px`;
    const element = el("div", { role: "dialog", tabindex: "-1" }, bar, inside);
    return { element, bar, title, inside, closebox: null, boxes: new Map() };
  }

  function updateCloseBox(drawn, box) {
    if (!box.act) {
      if (drawn.closebox) drawn.closebox.remove();
      drawn.closebox = null;
      return;
    }
    if (!drawn.closebox) {
      drawn.closebox = el("button", { type: "button", class: "closebox", text: "×" });
      drawn.closebox.addEventListener("click", () => { if (actOf(drawn.closebox)) enqueue(actOf(drawn.closebox)); });
      drawn.bar.append(drawn.closebox);
    }
    drawn.closebox._act = box.act;
    attribute(drawn.closebox, "aria-label", `Close ${box.title}`);
    attribute(drawn.closebox, "title", `Close ${box.title}`);
    attribute(drawn.closebox, "data-window", box.window);
    attribute(drawn.closebox, "data-verb", box.act.verb);
    attribute(drawn.closebox, "data-target", box.act.target);
    attribute(drawn.closebox, "aria-disabled", box.sensitive ? null : "true");
  }

  // Focus moves with Tab from top to bottom and left to right, as the boxes stand.
  function inReadingOrder(boxes) {
    return boxes.map((box, index) => ({ box, index }))
      .sort((a, b) => a.box.y - b.box.y || a.box.x - b.box.x || a.index - b.index)
      .map((entry) => entry.box);
  }

  // Puts the elements in this order in the parent, moving only those out of place.
  function arrange(parent, elements) {
    let at = parent.firstElementChild;
    for (const element of elements) {
      if (element === at) {
        at = at.nextElementSibling;
      } else {
        const focused = document.activeElement === element;
        parent.insertBefore(element, at);
        if (focused) element.focus();
      }
    }
    while (at) {
      const next = at.nextElementSibling;
      at.remove();
      at = next;
    }
  }

  function updateWindow(drawn, box, children) {
    const flow = children.some((child) => child.kind === "message");
    const { element } = drawn;
    element._escape = box.escape;
    attribute(element, "class", `box window${box.sensitive ? "" : " off"}${flow ? " flow" : ""}`);
    attribute(element, "data-window", box.window);
    attribute(element, "data-name", box.name);
    attribute(element, "aria-label", box.title);
    attribute(element, "aria-disabled", box.sensitive ? null : "true");
    setText(drawn.title, box.title);
    updateCloseBox(drawn, box);
    element.style.width = `${box.w * cell.w + 2}px`;
    element.style.height = flow ? "" : `${box.h * cell.h + 2}px`;
    const seen = new Map();
    const ordered = [];
    for (const child of inReadingOrder(children)) {
      // An editor of one line and one of several are different elements.
      const base = `${child.kind}${child.kind === "editor" && child.h > 1 ? "s" : ""}:${child.name}`;
      const key = `${base}:${seen.get(base) || 0}`;
      seen.set(base, (seen.get(base) || 0) + 1);
      let node = drawn.boxes.get(key);
      if (!node) {
        node = newBox(child);
        drawn.boxes.set(key, node);
      }
      updateBox(node, child);
      placeIn(node, child, box, flow);
      ordered.push(node);
    }
    const kept = new Set(ordered);
    for (const [key, node] of drawn.boxes) {
      if (!kept.has(node)) drawn.boxes.delete(key);
    }
    arrange(drawn.inside, ordered);
  }

  // A window wider than the room there is is drawn smaller rather than pushed off the page; a
  // message box wraps its text instead.
  function fitWindows() {
    const room = byId("dialogs").clientWidth;
    for (const { element } of drawnWindows.values()) {
      element.style.zoom = "";
      if (element.classList.contains("flow") || room <= 0) continue;
      const natural = parseFloat(element.style.width);
      if (natural > room) element.style.zoom = String(room / natural);
    }
  }

  // Draws the picture; returns the windows that were not drawn before.
  function drawDialogs(picture, hidden) {
    const stage = byId("dialogs");
    const groups = [];
    for (const box of picture.boxes) {
      if (box.kind === "window") groups.push({ box, children: [] });
      else if (groups.length) groups[groups.length - 1].children.push(box);
    }
    const appeared = [];
    const ordered = [];
    for (const { box, children } of groups) {
      let drawn = drawnWindows.get(box.name);
      if (!drawn) {
        drawn = newWindow();
        drawnWindows.set(box.name, drawn);
        appeared.push(drawn);
      }
      updateWindow(drawn, box, children);
      ordered.push(drawn.element);
    }
    const shown = new Set(groups.map((group) => group.box.name));
    for (const name of [...drawnWindows.keys()]) {
      if (!shown.has(name)) drawnWindows.delete(name);
    }
    arrange(stage, ordered);
    if (offer && !document.contains(offer.opener)) closeOffer(false);
    fitWindows();
    byId("no-dialog").hidden = groups.length > 0;
    setText(byId("hidden-windows"), hidden.length ? `Hidden: ${hidden.join(", ")}` : "");
    tallestStage = Math.max(tallestStage, stage.offsetHeight);
    stage.style.minHeight = `${tallestStage}px`;
    return appeared;
  }

  // ---- focus and keys ----

  function usable(element) {
    return element && !element.disabled && !element.readOnly && element.getAttribute("aria-disabled") !== "true";
  }

  // The first thing a person would work in a window: an editor, else a button, else the window.
  function focusInto(drawn) {
    const controls = [...drawn.inside.querySelectorAll("input, textarea, button")];
    const target = controls.find((control) => control.matches("input, textarea") && usable(control)) ||
      controls.find(usable) || drawn.closebox || drawn.element;
    target.focus();
  }

  // After a redraw: a window that the person's action opened takes the focus, as a dialog does.
  // Otherwise the focus stays where it was; when the redraw took away what held it, it goes to
  // the same thing redrawn (a product of the tree), else to a window still shown, else to Start.
  function settleFocus(appeared, own, before) {
    if (own && appeared.length) {
      focusInto(appeared[0]);
      return;
    }
    if (!before || before === document.body || document.contains(before)) return;
    const key = before.dataset && before.dataset.focusKey;
    const again = key ? [...document.querySelectorAll("[data-focus-key]")].find((e) => e.dataset.focusKey === key) : null;
    const first = drawnWindows.values().next();
    if (again) again.focus();
    else if (!first.done) focusInto(first.value);
    else byId("start").focus();
  }

  // The window Escape works on: the one holding the focus, else the only one shown when the focus
  // is on no control at all.
  function escapeWindow() {
    const active = document.activeElement;
    const inside = active && active.closest ? active.closest(".box.window") : null;
    if (inside) return inside;
    if ((active === document.body || !active) && drawnWindows.size === 1) return drawnWindows.values().next().value.element;
    return null;
  }

  function onEscape(event) {
    if (event.key !== "Escape" || event.defaultPrevented) return;
    if (document.querySelector("dialog[open]")) return;  // the page's own dialogs close themselves
    if (closeOffer(true)) {
      event.preventDefault();
      return;
    }
    const window = escapeWindow();
    if (!window || !window._escape) return;
    event.preventDefault();
    // Cancel drops what was typed and not sent, as a dialog's Cancel does.
    for (const editor of window.querySelectorAll("input, textarea")) {
      if (editor._dirty) {
        editor._dirty = false;
        editor.value = editor._hostText;
      }
    }
    enqueue(window._escape);
  }

  // ---- the class browser's list ----

  let offer = null;  // { list, opener }

  function closeOffer(refocus) {
    if (!offer) return false;
    const { list, opener } = offer;
    offer = null;
    if (refocus && document.contains(opener)) opener.focus();
    list.remove();
    return true;
  }

  function moveInOffer(event) {
    const options = [...offer.list.querySelectorAll('[role="option"]')];
    const at = options.indexOf(document.activeElement);
    const to = { ArrowDown: at + 1, ArrowUp: at - 1, Home: 0, End: options.length - 1 }[event.key];
    if (to === undefined || options.length === 0) return;
    event.preventDefault();
    options[(to + options.length) % options.length].focus();
  }

  function showOffer(classes, target) {
    closeOffer(false);
    const buttons = [...byId("dialogs").querySelectorAll('[data-verb="browse"]')];
    const opener = buttons.find((button) => target === undefined || button.dataset.target === target);
    if (!opener) return;
    const act = actOf(opener);
    const list = el("div", { class: "offer", role: "listbox", "aria-label": `Classes offered: ${opener.getAttribute("aria-label") || ""}` });
    for (const name of classes) {
      list.append(el("button", {
        type: "button", role: "option", "data-offer": name, text: name,
        onclick: () => {
          closeOffer(true);
          enqueue(act, name);
        },
      }));
    }
    if (classes.length === 0) list.append(el("span", { class: "quiet", text: "The browser offers nothing." }));
    list.addEventListener("keydown", moveInOffer);
    list.addEventListener("focusout", (event) => {
      if (offer && offer.list === list && !list.contains(event.relatedTarget)) closeOffer(false);
    });
    list.style.left = opener.style.left;
    list.style.top = `${opener.offsetTop + opener.offsetHeight + cell.h}px`;
    opener.closest(".box.window").append(list);
    offer = { list, opener };
    const first = list.querySelector('[role="option"]');
    if (first) first.focus();
  }

  // ---- around the dialogs ----

  function productItem(product) {
    const marks = [product.active && "active", product.new && "new", product.was !== undefined && "changed"].filter(Boolean);
    const item = el("li", { "data-path": product.path, class: marks.join(" ") || undefined });
    item.append(el("button", {
      type: "button", class: "product", title: "Make it the active product", text: product.name,
      "data-focus-key": `product:${product.path}`,
      onclick: () => enqueue({ verb: "active" }, product.path),
    }));
    if (product.partNumber) item.append(" ", el("span", { class: "part-number", text: product.partNumber }));
    if (product.was !== undefined) item.append(" ", el("span", { class: "was", text: `was ${product.was || "empty"}` }));
    if (product.interimClass) item.append(" ", el("span", { class: "tag", text: `interim ${product.interimClass}` }));
    if (product.new) item.append(" ", el("span", { class: "tag new-tag", text: "new" }));
    if (product.active) item.append(" ", el("span", { class: "tag active-tag", text: "active" }));
    if (!product.product) item.append(" ", el("span", { class: "tag", text: "not a product" }));
    if (product.refuses !== undefined) {
      item.append(" ", el("span", { class: "tag refuses", title: product.refuses, text: "refuses interim products" }));
    }
    if (product.children.length) item.append(el("ul", {}, ...product.children.map(productItem)));
    return item;
  }

  function drawCommands(commands) {
    const select = byId("command");
    const chosen = select.value;
    select.replaceChildren(...commands.map((name) => el("option", { value: name, text: name })));
    if (commands.includes(chosen)) select.value = chosen;
  }

  function drawTranscript(script) {
    byId("transcript").replaceChildren(...script.transcript.map((entry) =>
      el("li", { class: entry.refused ? "refused" : undefined },
        el("code", { text: entry.line }),
        el("pre", { text: entry.output.trimEnd() }))));
    // The server's replay command, quoted for a shell as the downloaded script's header has it.
    byId("replay").replaceChildren(`${script.lines} line${script.lines === 1 ? "" : "s"}; replay: `,
      el("code", { id: "replay-command", text: script.replayCommand }));
    toTheEnd.add(byId("transcript"));
  }

  // The lists redrawn, scrolled to their latest lines once everything is in place: measuring
  // each one as it is drawn would lay the page out once for each.
  const toTheEnd = new Set();

  let journalSeen = 0;  // the number of the last entry shown before the last redraw

  // The entries are redrawn only when they change: the host's resource lookups, left out of them,
  // change nothing but the total.
  function drawJournal(entries) {
    byId("journal").replaceChildren(...entries.map((entry) => {
      const marks = [entry.number > journalSeen && "fresh", entry.failed && "failed"].filter(Boolean);
      return el("li", { class: marks.join(" ") || undefined, title: entry.dir },
        el("span", { class: "number", text: String(entry.number) }),
        el("span", { class: "direction", text: entry.dir === "host->module" ? "→ module" : "→ host" }), " ",
        el("span", { class: "call", text: entry.text }));
    }));
    if (entries.length) journalSeen = entries[entries.length - 1].number;
    toTheEnd.add(byId("journal"));
  }

  function drawFaults(faults) {
    const plan = [...faults.failAlloc.map((n) => `allocation #${n} fails`), ...faults.raise.map((r) => `raise ${r}`),
      ...faults.status.map((s) => `status ${s}`)];
    byId("faults-now").textContent =
      `This session: ${plan.length ? plan.join("; ") : "no faults"}. Host allocations so far: ${faults.allocationsSeen}; ` +
      `faults injected: ${faults.injected}.`;
  }

  // The accounting is red only for something wrong: while a command runs its objects are alive
  // by design, and that is said calmly.
  function drawAccounting({ accounting, running }) {
    const report = byId("accounting");
    report.textContent = accounting.text;
    const problem = accounting.problem !== undefined ? accounting.problem : !accounting.clean;
    report.className = accounting.clean ? "clean" : problem ? "unclean" : "calm";
    byId("accounting-note").hidden = !running || accounting.clean || problem;
  }

  // What each part of the page was last drawn from: a part whose data did not change is not redrawn.
  const drawnFrom = {};

  function redraw(part, data, draw) {
    const text = JSON.stringify(data);
    if (drawnFrom[part] === text) return;
    drawnFrom[part] = text;
    draw(data);
  }

  // Draws a view: from an answer to this page's own action (`own`), or one another page caused.
  function render(view, own) {
    const before = document.activeElement;
    lastView = view;
    setText(byId("document"), view.tree.document);
    setText(byId("state"), view.state);
    attribute(byId("state"), "title", view.state);
    const appeared = drawDialogs(view.picture, view.hidden);
    redraw("tree", view.tree, (tree) => {
      byId("tree").replaceChildren(el("ul", {}, productItem(tree.root)));
      byId("tree").classList.toggle("no-editor", tree.active === null);
    });
    redraw("commands", view.commands, drawCommands);
    redraw("script", view.script, drawTranscript);
    setText(byId("journal-total"), `${view.journal.total} calls across the boundary in this session; the latest:`);
    redraw("journal", view.journal.entries, drawJournal);
    redraw("accounting", { accounting: view.accounting, running: view.running }, drawAccounting);
    redraw("faults", view.faults, drawFaults);
    for (const list of toTheEnd) list.scrollTop = list.scrollHeight;
    toTheEnd.clear();
    settleFocus(appeared, own, before);
  }

  // ---- following what other pages do to the session ----

  const pollEvery = 1000;
  let refreshing = false;

  // Fetches and draws the view when it is not the one drawn; one fetch at a time.
  function refresh() {
    if (refreshing) return;
    refreshing = true;
    schedule(async () => {
      try {
        const { status, data } = await request("GET", "/api/view");
        if (status !== 200) return;
        const changed = typeof data.version === "number" ? data.version !== lastView.version : true;
        if (changed) render(data, false);
      } finally {
        refreshing = false;
      }
    });
  }

  // The server's event stream says each new version of the session; without one, the page asks
  // for the view every second.
  async function listen() {
    try {
      const response = await fetch("/api/events", { headers: { "X-Vex-Token": token, Accept: "text/event-stream" } });
      if (!response.ok || !response.body) throw new Error(`HTTP ${response.status}`);
      refresh();  // what changed while the stream was not there
      const reader = response.body.pipeThrough(new TextDecoderStream()).getReader();
      let buffer = "";
      for (;;) {
        const { value, done } = await reader.read();
        if (done) break;
        buffer = (buffer + value).replace(/\r\n?/g, "\n");
        for (let end = buffer.indexOf("\n\n"); end >= 0; end = buffer.indexOf("\n\n")) {
          const data = buffer.slice(0, end).split("\n").filter((line) => line.startsWith("data:"))
            .map((line) => line.slice(5).trim()).join("");
          buffer = buffer.slice(end + 2);
          if (data !== "" && Number(data) !== lastView.version) refresh();
        }
      }
      setTimeout(listen, pollEvery);  // the stream ended: take it up again
    } catch {
      document.body.dataset.follows = "polling";
      setTimeout(poll, pollEvery);
    }
  }

  function poll() {
    if (performance.now() - lastAction >= pollEvery) refresh();
    setTimeout(poll, pollEvery);
  }

  function follow() {
    const events = typeof lastView.version === "number";
    document.body.dataset.follows = events ? "events" : "polling";
    if (events) listen();
    else setTimeout(poll, pollEvery);
  }

  // ---- the page's own buttons ----

  async function download() {
    const response = await fetch("/api/script", { headers: { "X-Vex-Token": token } });
    if (!response.ok) {
      say("error", `The script cannot be had (HTTP ${response.status})`);
      return;
    }
    const url = URL.createObjectURL(new Blob([await response.text()], { type: "text/plain" }));
    const link = el("a", { href: url, download: "session.vex" });
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 10000);
    say("done", "The session's script is downloaded as session.vex.");
  }

  async function newSession() {
    const words = (id) => byId(id).value.split(/[\s,]+/).filter(Boolean);
    const faults = { failAlloc: words("fail-alloc").map(Number), raise: words("raise"), status: words("status") };
    const { status, data } = await request("POST", "/api/session", faults);
    if (data.view) render(data.view, true);
    say(status === 200 ? "done" : "error", status === 200 ? "A new session is open." : `Not done (HTTP ${status}): ${data.error}`);
  }

  // A new session discards the recording: the page asks first when there is one.
  function askNewSession() {
    const lines = lastView ? lastView.script.lines : 0;
    if (lines === 0) {
      schedule(newSession);
      return;
    }
    setText(byId("confirm-lines"), `${lines} line${lines === 1 ? "" : "s"}`);
    byId("confirm-new").showModal();
    byId("keep-session").focus();
  }

  function wireDialogs() {
    const confirm = byId("confirm-new");
    byId("keep-session").addEventListener("click", () => confirm.close());
    byId("download-first").addEventListener("click", () => schedule(download));
    byId("discard-session").addEventListener("click", () => {
      confirm.close();
      schedule(newSession);
    });
    const help = byId("help");
    byId("help-open").addEventListener("click", () => help.showModal());
    byId("help-close").addEventListener("click", () => help.close());
  }

  async function start() {
    measureCell();
    byId("start").addEventListener("click", () => enqueue({ verb: "start" }, byId("command").value));
    byId("noeditor").addEventListener("click", () => enqueue({ verb: "noeditor" }));
    byId("download").addEventListener("click", () => schedule(download));
    byId("new-session").addEventListener("click", askNewSession);
    wireDialogs();
    document.addEventListener("keydown", onEscape);
    document.addEventListener("mousedown", (event) => {
      if (offer && !offer.list.contains(event.target) && event.target !== offer.opener) closeOffer(false);
    });
    window.addEventListener("resize", fitWindows);
    const { status, data } = await request("GET", "/api/view");
    if (status !== 200) {
      say("error", `The session cannot be shown (HTTP ${status}): ${data.error}`);
      return;
    }
    render(data, false);
    say("idle", "Ready. Start a command, or press Help for the keys.");
    follow();
    document.body.dataset.ready = "yes";
  }

  start().catch((error) => say("error", `The page cannot start: ${error && error.message ? error.message : error}`));
})();
