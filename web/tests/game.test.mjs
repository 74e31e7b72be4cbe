// The game panel in a real browser: an order queued for the pattern's end lands there, notes
// play from the keyboard pad, and half the channels fade and say so.
import assert from 'node:assert/strict';
import { after, before, describe, it } from 'node:test';
import { launch, openPage, serve } from './harness.mjs';

let server;
let chromium;

before(async () => {
  server = await serve();
  chromium = await launch();
});

after(async () => {
  await chromium?.close();
  await server?.close();
});

const logText = (page) => page.$eval('[data-game="log"]', (list) => list.textContent);

describe('the game panel', () => {
  let page;
  let errors;

  before(async () => {
    ({ page, errors } = await openPage(chromium.browser, server.url));
    await page.click('#demo');
    await page.waitForFunction(() => window.kavoxmPage.firstSoundMs !== null, { timeout: 10000 });
  });

  after(async () => page?.close());

  it('queues an order at the pattern end and reports where it landed', async () => {
    await page.$eval('[data-game="order"]', (input) => (input.value = '2'));
    await page.click('[data-game="queue"]');
    await page.waitForFunction(
      () => document.querySelector('[data-game="pending"]').textContent === 'order 2 at patternEnd',
      { timeout: 5000 });
    await page.waitForFunction(
      () => document.querySelector('[data-game="log"]').textContent.includes('jump landed on order 2 row 0'),
      { timeout: 20000 });
    assert.equal(await page.$eval('[data-game="pending"]', (e) => e.textContent), 'none');
  });

  it('plays notes from the pad and fades half the channels', async () => {
    await page.focus('[data-game="keys"]');
    await page.keyboard.down('z');
    await new Promise((done) => setTimeout(done, 200));
    await page.keyboard.up('z');
    await page.click('[data-game="fade"]');
    await page.waitForFunction(
      () => document.querySelector('[data-game="log"]').textContent.includes('fade of channel 0 ended at 0'),
      { timeout: 5000 });
    assert.match(await logText(page), /fade of channel 0 ended at 0/);
    assert.deepEqual(errors, []);
  });
});
