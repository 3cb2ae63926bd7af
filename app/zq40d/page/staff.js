'use strict';
// The staff page: signs in, shows the cards the service makes of a unit,
// sends what staff move, applies the scenes they may, and follows the
// unit's own changes through the service's events. The service decides what is shown and checks every
// change again: nothing here is a rule.

const kApi = '/api/v1';
const kLevelSpacingMs = 120; // between two level changes while a slider moves
const kRetryFirstMs = 500;
const kRetryMostMs = 4000;
const kUnitKey = 'zq40.unit';

const $ = (id) => document.getElementById(id);

const page = {
  signedIn: false,
  units: [], // as GET units lists them
  serial: null, // the unit shown
  name: '', // its name when last seen
  present: true, // the unit shown is connected
  lent: false, // an installer's window or zq40ctl has the units
  editable: true,
  reachable: true,
  cards: new Map(), // by their zones, "3,4"
  socket: null,
  retryMs: kRetryFirstMs,
  retryTimer: 0,
  waitTimer: 0,
};

class SignedOut extends Error {}

// The window's text for a zone level: "Off" at the bottom of every zone.
function levelText(db) {
  return db === -40 ? 'Off' : `${db >= 1 ? '+' : ''}${db} dB`;
}

// Which zones a card moves, where its name does not say so already.
function zonesText(card) {
  const zones = card.zones;
  if (zones.length === 1) return card.name === `Zone ${zones[0]}` ? '' : `Zone ${zones[0]}`;
  return `Zones ${zones.slice(0, -1).join(', ')} and ${zones.at(-1)}, linked`;
}

function element(tag, className, text) {
  const e = document.createElement(tag);
  if (className) e.className = className;
  if (text !== undefined) e.textContent = text;
  return e;
}

const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

// A call of the service's API; a refused sign-in aside, 401 shows the sign-in.
async function call(method, path, body) {
  const init = { method, headers: {}, credentials: 'same-origin', cache: 'no-store' };
  if (body !== undefined) {
    init.headers['Content-Type'] = 'application/json';
    init.body = JSON.stringify(body);
  }
  let response;
  try {
    response = await fetch(kApi + path, init);
  } catch (e) {
    setReachable(false);
    throw e;
  }
  setReachable(true);
  if (response.status === 401 && path !== '/session') {
    showSignIn();
    throw new SignedOut();
  }
  const data = await response.json().catch(() => ({}));
  return { status: response.status, ok: response.ok, data };
}

// ---- What the status line says: one writer, the worst news first.

function statusText() {
  if (!page.signedIn) return '';
  if (!page.reachable) return 'The service is not reachable';
  if (page.lent) return 'An installer is working on this unit';
  if (page.serial === null) return 'No unit is connected';
  if (!page.present) return 'The unit is not connected';
  if (!page.editable) return 'This unit needs a firmware update before its zones can be changed';
  return '';
}

function showStatus() {
  const text = statusText();
  $('status').textContent = text;
  $('status').hidden = text === '';
  const usable = page.reachable && page.present && page.editable && !page.lent;
  $('cards').classList.toggle('offline', !usable);
  for (const card of page.cards.values()) card.setEnabled(usable);
}

function setReachable(reachable) {
  if (page.reachable === reachable) return;
  page.reachable = reachable;
  showStatus();
}

function setPresent(present) {
  if (page.present === present) return;
  page.present = present;
  showStatus();
}

// ---- Signing in.

function showSignIn() {
  page.signedIn = false;
  closeEvents();
  page.cards.clear();
  $('cards').replaceChildren();
  $('unit-choice').hidden = true;
  $('unit-name').textContent = 'ZQ40';
  $('sign-in').hidden = false;
  showStatus();
  $('pin').focus();
}

function signedIn() {
  page.signedIn = true;
  page.reachable = true;
  $('sign-in').hidden = true;
  $('sign-in-message').textContent = '';
  showStatus();
  refreshAll();
  openEvents();
}

// Five wrong PINs: the service refuses for a while and says how long.
function waitBeforeRetry(seconds) {
  const until = Date.now() + seconds * 1000;
  const button = $('sign-in').querySelector('button');
  clearInterval(page.waitTimer);
  const tick = () => {
    const left = Math.ceil((until - Date.now()) / 1000);
    if (left > 0) {
      $('sign-in-message').textContent = `Too many wrong PINs: try again in ${left} s`;
      button.disabled = true;
      return;
    }
    clearInterval(page.waitTimer);
    button.disabled = false;
    $('sign-in-message').textContent = 'You may try again';
  };
  tick();
  page.waitTimer = setInterval(tick, 1000);
}

async function signIn(event) {
  event.preventDefault();
  const message = $('sign-in-message');
  message.textContent = '';
  let answer;
  try {
    answer = await call('POST', '/session', { pin: $('pin').value });
  } catch {
    message.textContent = 'The service is not reachable';
    return;
  }
  if (answer.ok) {
    $('pin').value = '';
    signedIn();
  } else if (answer.status === 429) {
    waitBeforeRetry(Number(answer.data.retryAfter) || 30);
  } else if (answer.status === 401) {
    message.textContent = 'Wrong PIN';
    $('pin').select();
  } else {
    message.textContent = answer.data.error || `The service answered ${answer.status}`;
  }
}

// ---- One card: a zone, or a linked group of zones.

class Card {
  constructor(data) {
    this.root = element('article', 'card');
    this.title = element('h2');
    this.zones = element('p', 'zones');
    const level = element('div', 'level');
    this.slider = element('input');
    this.slider.type = 'range';
    this.slider.step = 1;
    this.output = element('output');
    level.append(element('span', '', 'Level'), this.output);
    this.select = element('select');
    const source = element('div', 'source');
    source.append(element('span', '', 'Source'), this.select);
    this.error = element('p', 'error');
    this.error.setAttribute('aria-live', 'polite');
    this.root.append(this.title, this.zones, level, this.slider, source, this.error);

    this.dragging = false;
    this.wanted = null; // a level not sent yet
    this.sent = null; // the level last sent or shown from the unit
    this.sending = false;
    this.choosing = false;
    this.slider.addEventListener('pointerdown', () => this.held());
    this.slider.addEventListener('input', () => this.levelMoved(false));
    this.slider.addEventListener('change', () => this.levelMoved(true));
    this.select.addEventListener('change', () => this.sourceChosen());
    this.update(data);
  }

  update(data) {
    this.data = data;
    this.title.textContent = data.name;
    this.root.classList.toggle('linked', data.zones.length > 1);
    this.zones.textContent = zonesText(data);
    this.zones.hidden = this.zones.textContent === '';
    this.slider.setAttribute('aria-label', `${data.name} level`);
    this.select.setAttribute('aria-label', `${data.name} source`);
    // A slider in a person's hand, or with a change on its way, stays put.
    if (!this.dragging && !this.sending && this.wanted === null) {
      this.slider.min = data.MinLevel;
      this.slider.max = data.MaxLevel;
      this.slider.value = data.Level;
      this.sent = data.Level;
      this.output.value = levelText(data.Level);
    }
    if (!this.choosing) this.showSources(data);
  }

  showSources(data) {
    const options = data.sources.map((s) => new Option(s.label, s.value));
    if (!data.sources.some((s) => s.value === data.Source)) {
      // Set by the installer or the unit: shown, but not staff's to choose.
      const current = new Option(data.SourceLabel, data.Source);
      current.disabled = true;
      options.unshift(current);
    }
    this.select.replaceChildren(...options);
    this.select.value = String(data.Source);
  }

  setEnabled(enabled) {
    this.slider.disabled = !enabled;
    this.select.disabled = !enabled;
  }

  // Held until let go anywhere, whether or not the level moved.
  held() {
    this.dragging = true;
    const released = () => {
      window.removeEventListener('pointerup', released);
      window.removeEventListener('pointercancel', released);
      this.dragging = false;
      if (!this.sending && this.wanted === null) refreshView();
    };
    window.addEventListener('pointerup', released);
    window.addEventListener('pointercancel', released);
  }

  levelMoved(final) {
    const db = Number(this.slider.value);
    this.output.value = levelText(db);
    if (final) this.dragging = false;
    this.wanted = db;
    this.sendLevel();
  }

  // One change on its way at a time, spaced while the slider moves; the
  // last position always goes.
  async sendLevel() {
    if (this.sending || this.wanted === null) return;
    const db = this.wanted;
    this.wanted = null;
    if (db === this.sent) return;
    this.sending = true;
    const started = Date.now();
    this.sent = db;
    await this.change({ [this.data.level]: db });
    await sleep(kLevelSpacingMs - (Date.now() - started));
    this.sending = false;
    if (this.wanted !== null) this.sendLevel();
    else if (!this.dragging) refreshView();
  }

  async sourceChosen() {
    this.choosing = true;
    await this.change({ [this.data.source]: Number(this.select.value) });
    this.choosing = false;
    refreshView();
  }

  // Refusals are shown on the card; the unit's values come back with the
  // next view.
  async change(settings) {
    try {
      const answer = await call('PATCH', `/units/${page.serial}/settings`, settings);
      this.error.textContent = answer.ok ? '' : answer.data.error || `Refused (${answer.status})`;
      if (!answer.ok) this.sent = null;
    } catch (e) {
      if (!(e instanceof SignedOut)) this.error.textContent = 'Not sent: the service is not reachable';
      this.sent = null;
    }
  }
}

// ---- The unit shown and its cards.

function render(view) {
  $('unit-name').textContent = view.name;
  page.name = view.name;
  page.editable = view.editable;
  const keys = view.cards.map((c) => c.zones.join(','));
  if (keys.join(';') !== [...page.cards.keys()].join(';')) {
    page.cards.clear();
    for (const [i, data] of view.cards.entries()) page.cards.set(keys[i], new Card(data));
    $('cards').replaceChildren(...[...page.cards.values()].map((c) => c.root));
  } else {
    view.cards.forEach((data, i) => page.cards.get(keys[i]).update(data));
  }
  showStatus();
}

let viewLoading = false;
let viewAgain = false;

// Fetches the unit's cards; calls while one is on its way make one more.
async function refreshView() {
  if (viewLoading) {
    viewAgain = true;
    return;
  }
  viewLoading = true;
  try {
    do {
      viewAgain = false;
      await loadView();
    } while (viewAgain && page.signedIn);
  } catch {
    // Not reachable or signed out: the status line or the sign-in says so.
  } finally {
    viewLoading = false;
  }
}

async function loadView() {
  if (page.serial === null) {
    page.cards.clear();
    $('cards').replaceChildren();
    showStatus();
    return;
  }
  const serial = page.serial;
  const answer = await call('GET', `/units/${serial}/staff`);
  if (serial !== page.serial) return; // another unit was chosen meanwhile
  page.lent = answer.status === 409 && answer.data.lent === true;
  if (page.lent) showStatus();
  else if (answer.status === 404) setPresent(false);
  else if (answer.ok) {
    page.present = true;
    render(answer.data);
  }
}

function unitLabel(unit) {
  const same = page.units.filter((u) => u.name === unit.name).length > 1;
  return same ? `${unit.name} (${unit.serial})` : unit.name;
}

// The units to choose from by their names; the one shown stays listed
// while it is away, so that it comes back by itself.
function showUnits() {
  if (page.serial === null) {
    const kept = Number(localStorage.getItem(kUnitKey));
    const first = page.units.find((u) => u.serial === kept) || page.units[0];
    page.serial = first ? first.serial : null;
  }
  const listed = page.units.map((u) => new Option(unitLabel(u), u.serial));
  if (page.serial !== null && !page.units.some((u) => u.serial === page.serial))
    listed.unshift(new Option(`${page.name || page.serial} (not connected)`, page.serial));
  const choice = $('units');
  choice.replaceChildren(...listed);
  choice.value = String(page.serial);
  $('unit-choice').hidden = listed.length < 2;
}

async function refreshAll() {
  try {
    const answer = await call('GET', '/units');
    if (!answer.ok) return;
    page.units = answer.data;
    showUnits();
    await refreshView();
    await refreshScenes();
  } catch {
    // as refreshView
  }
}

// ---- Scenes, when the installer lets staff apply them, and the schedule.

async function applyScene(name) {
  const message = $('scene-message');
  message.textContent = '';
  try {
    const answer = await call('POST', `/units/${page.serial}/scenes/${encodeURIComponent(name)}/apply`);
    message.textContent = answer.ok ? `${name} applied` : answer.data.error || `Refused (${answer.status})`;
  } catch (e) {
    if (!(e instanceof SignedOut)) message.textContent = 'Not sent: the service is not reachable';
  }
  refreshView();
}

async function refreshScenes() {
  const scenes = await call('GET', '/scenes');
  const buttons = (scenes.ok ? scenes.data : []).map((scene) => {
    const button = element('button', '', scene.name);
    button.type = 'button';
    button.addEventListener('click', () => applyScene(scene.name));
    return button;
  });
  $('scene-list').replaceChildren(...buttons);
  $('scenes').hidden = buttons.length === 0;
  const schedule = await call('GET', '/schedule');
  // The next run in the venue's own time, as the service gives it.
  const runs = (schedule.ok ? schedule.data : []).map((run) => {
    const when = run.next ? run.next.slice(0, 16).replace('T', ' ') : 'not again';
    const unit = run.unit === 'all' ? 'every unit' : `unit ${run.unit}`;
    return element('li', '', `${run.name}: ${run.scene} on ${unit}, next ${when}`);
  });
  $('schedule-list').replaceChildren(...runs);
  $('schedule').hidden = runs.length === 0;
}

function chooseUnit() {
  page.serial = Number($('units').value);
  localStorage.setItem(kUnitKey, String(page.serial));
  page.cards.clear();
  $('cards').replaceChildren();
  refreshView();
}

// ---- Live: the service's events.

function onEvent(event) {
  if (event.event === 'unit-left') {
    if (event.serial === page.serial) setPresent(false);
    refreshAll();
  } else if (event.event === 'unit-arrived') {
    refreshAll();
  } else if (event.event === 'lent') {
    page.lent = true;
    showStatus();
  } else if (event.event === 'returned') {
    page.lent = false;
    refreshAll();
  } else if (event.event === 'block' && event.serial === page.serial) {
    refreshView();
  } else if (event.event === 'scenes') {
    refreshScenes().catch(() => {});
  }
}

function openEvents() {
  if (!page.signedIn || page.socket) return;
  const scheme = location.protocol === 'https:' ? 'wss:' : 'ws:';
  const socket = new WebSocket(`${scheme}//${location.host}${kApi}/events`);
  let opened = false;
  page.socket = socket;
  socket.onopen = () => {
    opened = true;
    page.retryMs = kRetryFirstMs;
    setReachable(true);
    refreshAll(); // what changed while it was away
  };
  socket.onmessage = (message) => {
    try {
      onEvent(JSON.parse(message.data));
    } catch {
      // not an event of ours
    }
  };
  socket.onclose = (close) => {
    if (page.socket !== socket) return;
    page.socket = null;
    if (close.code === 1008) {
      showSignIn();
      return;
    }
    // It was there and has gone: say so at once. Never there: ask the API
    // whether the service itself is.
    if (opened) setReachable(false);
    else refreshAll();
    page.retryTimer = setTimeout(openEvents, page.retryMs);
    page.retryMs = Math.min(2 * page.retryMs, kRetryMostMs);
  };
}

function closeEvents() {
  clearTimeout(page.retryTimer);
  const socket = page.socket;
  page.socket = null;
  if (socket) socket.close();
}

// ---- Start: signed in already when the cookie still holds.

document.addEventListener('DOMContentLoaded', async () => {
  $('sign-in').addEventListener('submit', signIn);
  $('units').addEventListener('change', chooseUnit);
  try {
    const answer = await call('GET', '/units');
    if (answer.ok) signedIn();
  } catch (e) {
    if (!(e instanceof SignedOut)) {
      page.signedIn = true;
      showStatus();
      openEvents();
    }
  }
});
