// What the browser tests share: a static server for the built page on 127.0.0.1, Debian's
// chromium driven through puppeteer-core (it downloads nothing), and the native tool the page
// is compared with.
import { execFile } from 'node:child_process';
import { mkdtemp, readFile, rm } from 'node:fs/promises';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { extname, join, normalize } from 'node:path';
import { promisify } from 'node:util';
import puppeteer from 'puppeteer-core';

const TYPES = {
  '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm', '.xm': 'application/octet-stream',
};

export const root = process.env.WEB_ROOT ?? new URL('../../build/web', import.meta.url).pathname;
export const tool = process.env.KAVOXM_TOOL;
export const corpus = new URL('../../../shared/corpus', import.meta.url).pathname;

// Serves `root` on a free port; resolves to { url, close }.
export function serve() {
  const server = createServer(async (request, response) => {
    const path = normalize(decodeURIComponent(new URL(request.url, 'http://x').pathname));
    try {
      const body = await readFile(join(root, path === '/' ? 'index.html' : path));
      response.writeHead(200, { 'content-type': TYPES[extname(path)] ?? 'text/html' });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => {
      resolve({
        url: `http://127.0.0.1:${server.address().port}/`,
        close: () => new Promise((done) => server.close(done)),
      });
    });
  });
}

// Chromium, headless, with a fresh profile and nothing reaching out to the network.
export async function launch() {
  const profile = await mkdtemp(join(tmpdir(), 'kavoxm-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    args: [
      '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--autoplay-policy=no-user-gesture-required', `--user-data-dir=${profile}`,
    ],
  });
  return {
    browser,
    close: async () => {
      await browser.close();
      await rm(profile, { recursive: true, force: true });
    },
  };
}

// Opens the page and waits until the engine is ready. `errors` collects page errors, `requests`
// every URL the page asked for.
export async function openPage(browser, url) {
  const page = await browser.newPage();
  const errors = [];
  const requests = [];
  page.on('request', (request) => requests.push(request.url()));
  page.on('pageerror', (error) => errors.push(error.message));
  page.on('console', (message) => {
    if (message.type() === 'error') errors.push(message.text());
  });
  await page.setViewport({ width: 1400, height: 900 });
  await page.goto(url);
  await page.waitForSelector('body[data-ready="true"]', { timeout: 30000 });
  return { page, errors, requests };
}

// The native tool's output, as bytes.
export async function runTool(...args) {
  const { stdout } = await promisify(execFile)(tool, args, {
    encoding: 'buffer', maxBuffer: 256 << 20,
  });
  return stdout;
}
