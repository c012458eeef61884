// The page of vexhost serve: draws what the server sends and turns each click or typed text into
// an action the server runs as a script line. Nothing here decides what an action does.
"use strict";

(() => {
  const token = document.querySelector('meta[name="vex-token"]').content;
  const byId = (id) => document.getElementById(id);
  let cell = { w: 9, h: 22 };  // pixels of one character cell of the layout
  let journalSeen = 0;         // the journal entries shown before the last redraw
  let queue = Promise.resolve();
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

  function say(kind, text) {
    const message = byId("message");
    message.hidden = !text;
    message.className = kind;
    message.textContent = text || "";
  }

  // Actions run one after the other, in the order they were made.
  function enqueue(verb, text) {
    const started = performance.now();
    queue = queue.then(() => act(verb, text, started)).catch((error) => say("error", String(error)));
    return queue;
  }

  async function act(verb, text, started) {
    const { status, data } = await request("POST", "/api/act", text === undefined ? { verb } : { verb, text });
    const answered = performance.now() - started;
    if (data.view) render(data.view);
    if (status === 200) {
      say("done", data.output.trimEnd());
      if (data.offer) showOffer(data.offer);
    } else if (status === 409) {
      say("refused", `Refused: ${data.refused}`);
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

  // ---- the dialogs, from the layout's boxes ----

  function place(element, box) {
    // A frame's border runs through the middle of its outer cells, as in the text drawing.
    const inset = box.kind === "frame" ? 0.5 : 0;
    element.style.left = `${(box.x + inset) * cell.w}px`;
    element.style.top = `${(box.y + inset) * cell.h}px`;
    element.style.width = `${(box.w - 2 * inset) * cell.w}px`;
    element.style.height = `${(box.h - 2 * inset) * cell.h}px`;
    return element;
  }

  function boxAttributes(box) {
    return {
      class: `box ${box.kind}${box.sensitive ? "" : " off"}`,
      "data-window": box.window,
      "data-name": box.name,
      "data-act": box.act,
      "aria-disabled": box.sensitive ? undefined : "true",
    };
  }

  function drawWindow(box) {
    const bar = el("div", { class: "titlebar" }, el("span", { text: box.title }));
    if (box.act === "close") {
      bar.append(el("button", {
        type: "button", class: "closebox", title: "Close the window", "aria-label": `Close ${box.title}`,
        "data-window": box.window, "data-act": "close", onclick: () => enqueue("close"), text: "×",
      }));
    }
    return el("div", { ...boxAttributes(box), role: "dialog", "aria-label": box.title }, bar);
  }

  function drawEditor(box) {
    const text = box.lines.join("\n");
    if (box.h > 1) return el("textarea", { ...boxAttributes(box), readonly: true, text });
    const input = el("input", { ...boxAttributes(box), type: "text", spellcheck: "false", "aria-label": box.name });
    input.value = text;
    if (box.act) input.addEventListener("change", () => enqueue(box.act, input.value));
    else input.readOnly = true;
    return input;
  }

  function drawButton(box) {
    // A greyed-out button with an action still sends it: the host's hands refuse it and say why.
    const button = el("button", { ...boxAttributes(box), type: "button", text: box.title });
    if (box.act) button.addEventListener("click", () => enqueue(box.act));
    else button.disabled = true;
    return button;
  }

  function drawBox(box) {
    switch (box.kind) {
      case "window": return drawWindow(box);
      case "frame": return el("div", boxAttributes(box), box.title ? el("span", { class: "legend", text: box.title }) : "");
      case "editor": return drawEditor(box);
      case "combo": return el("div", boxAttributes(box), el("span", { text: box.title }), el("span", { class: "arrow", text: "▾" }));
      case "button": return drawButton(box);
      case "separator": return el("div", boxAttributes(box), el("hr"));
      case "message": return el("div", { ...boxAttributes(box), text: box.lines.join("\n") });
      default: return el("div", { ...boxAttributes(box), text: box.title });
    }
  }

  function drawDialogs(picture, hidden) {
    const stage = byId("dialogs");
    stage.replaceChildren();
    stage.style.width = `${Math.max(picture.width, 30) * cell.w}px`;
    stage.style.height = `${Math.max(picture.height, 2) * cell.h}px`;
    if (picture.boxes.length === 0) stage.append(el("p", { class: "empty", text: "No dialog is shown." }));
    for (const box of picture.boxes) stage.append(place(drawBox(box), box));
    byId("hidden-windows").textContent = hidden.length ? `Hidden: ${hidden.join(", ")}` : "";
  }

  // The class browser's list, under its button.
  function showOffer(classes) {
    const button = document.querySelector('[data-act="browse"]');
    if (!button) return;
    const list = el("div", { class: "offer", role: "listbox", "aria-label": "Classes the class browser offers" });
    for (const name of classes) {
      list.append(el("button", { type: "button", role: "option", "data-offer": name, text: name, onclick: () => enqueue("browse", name) }));
    }
    if (classes.length === 0) list.append(el("span", { class: "quiet", text: "The browser offers nothing." }));
    list.style.left = button.style.left;
    list.style.top = `${parseFloat(button.style.top) + cell.h}px`;
    byId("dialogs").append(list);
  }

  // ---- around the dialogs ----

  function productItem(product) {
    const marks = [product.active && "active", product.new && "new", product.was !== undefined && "changed"].filter(Boolean);
    const item = el("li", { "data-path": product.path, class: marks.join(" ") || undefined });
    item.append(el("button", {
      type: "button", class: "product", title: "Make it the active product", text: product.name,
      onclick: () => enqueue("active", product.path),
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
    const replay = ["vexhost", ...script.replay, "--script", "session.vex"].join(" ");
    byId("replay").textContent = `${script.lines} line${script.lines === 1 ? "" : "s"}; replay: ${replay}`;
    const list = byId("transcript");
    list.scrollTop = list.scrollHeight;
  }

  function drawJournal(journal) {
    byId("journal-total").textContent = `${journal.total} calls across the boundary in this session; the latest:`;
    byId("journal").replaceChildren(...journal.entries.map((entry) =>
      el("li", { value: entry.number, class: entry.number > journalSeen ? "fresh" : undefined, title: entry.dir },
        el("span", { class: "direction", text: entry.dir === "host->module" ? "→ module" : "→ host" }), " ",
        el("span", { text: entry.text }))));
    journalSeen = journal.total;
    const list = byId("journal");
    list.scrollTop = list.scrollHeight;
  }

  function drawFaults(faults) {
    const plan = [...faults.failAlloc.map((n) => `allocation #${n} fails`), ...faults.raise.map((r) => `raise ${r}`),
      ...faults.status.map((s) => `status ${s}`)];
    byId("faults-now").textContent =
      `This session: ${plan.length ? plan.join("; ") : "no faults"}. Host allocations so far: ${faults.allocationsSeen}; ` +
      `faults injected: ${faults.injected}.`;
  }

  // What each part of the page was last drawn from: a part whose data did not change is not redrawn.
  const drawnFrom = {};

  function redraw(part, data, draw) {
    const text = JSON.stringify(data);
    if (drawnFrom[part] === text) return;
    drawnFrom[part] = text;
    draw(data);
  }

  function drawAccounting({ accounting, running }) {
    const report = byId("accounting");
    report.textContent = accounting.text;
    report.className = accounting.clean ? "clean" : "unclean";
    byId("accounting-note").hidden = !running;
  }

  function render(view) {
    byId("document").textContent = view.tree.document;
    byId("state").textContent = view.state;
    // The dialogs are always redrawn: an editor shows what the host holds, not what was typed
    // into it and refused.
    drawDialogs(view.picture, view.hidden);
    redraw("tree", view.tree, (tree) => {
      byId("tree").replaceChildren(el("ul", {}, productItem(tree.root)));
      byId("tree").classList.toggle("no-editor", tree.active === null);
    });
    redraw("commands", view.commands, drawCommands);
    redraw("script", view.script, drawTranscript);
    redraw("journal", view.journal, drawJournal);
    redraw("accounting", { accounting: view.accounting, running: view.running }, drawAccounting);
    redraw("faults", view.faults, drawFaults);
  }

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
  }

  async function newSession() {
    const words = (id) => byId(id).value.split(/[\s,]+/).filter(Boolean);
    const faults = { failAlloc: words("fail-alloc").map(Number), raise: words("raise"), status: words("status") };
    const { status, data } = await request("POST", "/api/session", faults);
    if (data.view) render(data.view);
    say(status === 200 ? "done" : "error", status === 200 ? "A new session is open." : `Not done (HTTP ${status}): ${data.error}`);
  }

  async function start() {
    measureCell();
    byId("start").addEventListener("click", () => enqueue("start", byId("command").value));
    byId("noeditor").addEventListener("click", () => enqueue("noeditor"));
    byId("download").addEventListener("click", () => { queue = queue.then(download); });
    byId("new-session").addEventListener("click", () => { queue = queue.then(newSession); });
    const { status, data } = await request("GET", "/api/view");
    if (status !== 200) {
      say("error", `The session cannot be shown (HTTP ${status}): ${data.error}`);
      return;
    }
    render(data);
    document.body.dataset.ready = "yes";
  }

  start();
})();
