// The staff page in Debian's Chromium against zq40d and two emulated units
// (12345 "Hall", 12346 "Terrace"): what staff see, what reaches the unit's
// wire, the scenes they apply, and the page following the unit live.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';
import { chromium } from 'playwright-core';
import { Service, kPin } from './service.mjs';

let service;
let browser;
const kFactoryZone = '0000a042000ad800';

// A zone's record of block 16: fader position, level, maximum, minimum, source.
function zoneRecord(position, level, max = 10, min = -40, source = 0) {
  const record = Buffer.from([0, 0, 0, 0, level & 255, max & 255, min & 255, source]);
  record.writeFloatLE(position);
  return record.toString('hex');
}

async function openPage() {
  const context = await browser.newContext({ viewport: { width: 390, height: 844 } });
  const page = await context.newPage();
  page.outside = [];
  page.on('request', (r) => r.url().startsWith(service.url) || page.outside.push(r.url()));
  await page.goto(service.url);
  return page;
}

async function signedInPage() {
  const page = await openPage();
  await page.getByLabel('PIN').fill(kPin);
  await page.getByRole('button', { name: 'Sign in' }).click();
  await page.getByLabel('Zone 1 level').waitFor();
  return page;
}

// The page's change of a setting, once the service has answered it.
async function change(page, setting, action) {
  const answered = page.waitForResponse((r) => r.request().method() === 'PATCH' && r.request().postData() === setting);
  await action();
  await answered;
}

async function newWrites(serial, action) {
  const before = (await service.written(serial)).length;
  await action();
  return (await service.written(serial)).slice(before);
}

// A fresh page once the service has the unit's new links.
async function reloadWhen(page, seen) {
  const view = async () => (await page.request.get(`${service.url}/api/v1/units/12345/staff`)).json();
  while (!seen((await view()).cards)) await page.waitForTimeout(50);
  await page.reload();
}

before(async () => {
  service = await Service.start();
  // Debian's own browser, kept from calling home: nothing but the service is reached.
  browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--disable-background-networking', '--disable-component-update', '--disable-quic'],
  });
});

after(async () => {
  await browser?.close();
  await service?.remove();
});

test('a wrong PIN is refused, the right one shows the zones of the unit chosen by name', async () => {
  const page = await openPage();
  const answer = await page.request.get(service.url);
  assert.match(answer.headers()['content-security-policy'], /^default-src 'self'; connect-src 'self' ws:/);
  assert.equal((await page.request.get(`${service.url}/nothing`)).status(), 404);
  await page.getByLabel('PIN').fill('1357');
  await page.getByRole('button', { name: 'Sign in' }).click();
  await page.getByText('Wrong PIN').waitFor();
  await page.getByLabel('PIN').fill(kPin);
  await page.getByRole('button', { name: 'Sign in' }).click();
  await page.getByRole('heading', { name: 'Hall' }).waitFor();
  await page.getByLabel('Unit').selectOption('Terrace');
  await page.getByRole('heading', { name: 'Terrace' }).waitFor();
  await page.getByLabel('Unit').selectOption('Hall');
  assert.equal(await page.getByLabel('Zone 1 level').inputValue(), '0');
  assert.deepEqual(page.outside, []);
  await page.context().close();
});

test('a level set on the page reaches the wire as the window sends block 16', async () => {
  const page = await signedInPage();
  const slider = page.getByLabel('Zone 1 level');
  const writes = await newWrites(12345, () => change(page, '{"Zone1.Level":-20}', () => slider.fill('-20')));
  await page.getByText('-20 dB').waitFor();
  assert.deepEqual(writes, [{ code: 16, hex: zoneRecord(40, -20) + kFactoryZone.repeat(5) }]);

  // A drag sends a few levels on the way, and always the last.
  const box = await slider.boundingBox();
  const dragged = await newWrites(12345, () => change(page, '{"Zone1.Level":10}', async () => {
    await page.mouse.move(box.x + 2, box.y + box.height / 2);
    await page.mouse.down();
    await page.mouse.move(box.x + box.width + 20, box.y + box.height / 2, { steps: 40 });
    await page.mouse.up();
  }));
  await page.getByText('+10 dB').waitFor();
  assert.ok(dragged.length >= 1 && dragged.length < 20, `${dragged.length} writes`);
  assert.equal(dragged.at(-1).hex.slice(0, 16), zoneRecord(100, 10));
  await page.context().close();
});

test('a scene the installer saved is a button that puts it on the wire, beside the schedule', async () => {
  const installer = { Authorization: `Bearer ${service.installer}` };
  const units = `${service.url}/api/v1/units/12345`;
  const saved = await fetch(`${units}/scenes/Evening?scope=levels`, { method: 'POST', headers: installer });
  assert.equal(saved.status, 201);
  const patched = await fetch(`${units}/settings`, { method: 'PATCH', headers: installer, body: '{"Zone1.Level":-30}' });
  assert.equal(patched.status, 200);
  const page = await signedInPage();
  await page.getByText(/^evening: Evening on unit 12345, next \d{4}-\d\d-\d\d 18:00$/).waitFor();
  const writes = await newWrites(12345, async () => {
    await page.getByRole('button', { name: 'Evening' }).click();
    await page.getByText('Evening applied').waitFor();
  });
  assert.deepEqual(writes.map((w) => w.code), [16]);
  assert.notEqual(writes[0].hex.slice(8, 10), (-30 & 255).toString(16));
  await page.context().close();
});

test('a linked group is one card, and both zones follow it, each in its own span', async () => {
  service.command('block 12345 16 29 00'); // zone 4's MaxLevel 0 dB
  service.command('block 12345 14 4 01'); // zones 3 and 4 linked
  const page = await signedInPage();
  await reloadWhen(page, (cards) => cards.some((c) => c.name === 'Zones 3-4'));
  await page.getByLabel('Zones 3-4 level').waitFor();
  assert.equal(await page.getByLabel('Zone 3 level').count(), 0);
  const slider = page.getByLabel('Zones 3-4 level');
  let writes = await newWrites(12345, () => change(page, '{"Zone3.Level":-20}', () => slider.fill('-20')));
  assert.equal(writes.length, 1);
  assert.equal(writes[0].hex.slice(32, 64), zoneRecord(40, -20) + zoneRecord(40, -24, 0));
  const source = page.getByLabel('Zones 3-4 source');
  assert.deepEqual(await source.locator('option:enabled').allTextContents(), ['Pgm 2', 'Pgm 3']);
  writes = await newWrites(12345, () => change(page, '{"Zone3.Source":3}', () => source.selectOption('Pgm 3')));
  assert.equal(writes[0].hex.slice(32, 64), zoneRecord(40, -20, 10, -40, 3) + zoneRecord(40, -24, 0, -40, 3));
  await page.evaluate(() => document.activeElement.blur());
  if (process.env.ZQ40_SCREENSHOT) await page.screenshot({ path: process.env.ZQ40_SCREENSHOT, fullPage: true });
  service.command('block 12345 14 4 00');
  await page.context().close();
});

test('a zone the installer kept is not shown, nor a group it is in, and the service refuses it', async () => {
  service.command('block 12345 14 6 01'); // zones 5 and 6 linked
  const page = await signedInPage();
  await reloadWhen(page, (cards) => !cards.some((c) => c.zones.includes(5)));
  await page.getByLabel('Zone 4 level').waitFor();
  assert.equal(await page.getByLabel(/Zone 6|Zone 5|Zones 5-6/).count(), 0);
  const writes = await newWrites(12345, async () => {
    const refused = await page.evaluate(async () => {
      const r = await fetch('/api/v1/units/12345/settings', { method: 'PATCH', body: '{"Zone6.Level": -10}' });
      return [r.status, (await r.json()).error];
    });
    assert.deepEqual(refused, [403, 'staff may not change zone 6']);
  });
  assert.deepEqual(writes, []);
  service.command('block 12345 14 6 00');
  await page.context().close();
});

test('a level changed at the unit moves the slider on two open pages', async () => {
  const pages = [await signedInPage(), await signedInPage()];
  service.command(`block 12345 16 8 ${zoneRecord(60, -10)}`);
  for (const page of pages) {
    await page.getByText('-10 dB').waitFor();
    assert.equal(await page.getByLabel('Zone 2 level').inputValue(), '-10');
  }
  service.command('unplug 12345');
  await pages[0].getByText('The unit is not connected').waitFor({ timeout: 1000 });
  service.command('replug 12345');
  await pages[0].getByText('The unit is not connected').waitFor({ state: 'hidden' });
  assert.equal(await pages[0].getByLabel('Zone 2 level').isEnabled(), true);
  await Promise.all(pages.map((p) => p.context().close()));
});

test('while an installer has the units the page says so, and takes them again after', async () => {
  const page = await signedInPage();
  const loan = await service.borrow();
  await page.getByText('An installer is working on this unit').waitFor({ timeout: 1000 });
  assert.equal(await page.getByLabel('Zone 1 level').isDisabled(), true);
  loan.end();
  await page.getByText('An installer is working on this unit').waitFor({ state: 'hidden', timeout: 10000 });
  await page.waitForFunction(() => !document.querySelector('input[type=range]').disabled);
  await page.context().close();
});

test('the page says at once when the service has gone, and asks for the PIN when it is back', async () => {
  const page = await signedInPage();
  await service.stop();
  await page.getByText('The service is not reachable').waitFor({ timeout: 1000 });
  await service.run();
  await page.getByLabel('PIN').waitFor({ timeout: 10000 }); // its session went with the service
  await page.context().close();
});

test('after five wrong PINs the page says how long to wait', async () => {
  const page = await openPage();
  for (let i = 0; i < 6; ++i) {
    await page.getByLabel('PIN').fill('1357');
    await page.getByRole('button', { name: 'Sign in' }).click();
    await page.getByText(i < 5 ? 'Wrong PIN' : /try again in (30|29) s/).waitFor();
  }
  assert.equal(await page.getByRole('button', { name: 'Sign in' }).isDisabled(), true);
  await page.context().close();
});
