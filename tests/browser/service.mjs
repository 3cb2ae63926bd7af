// zq40d with emulated units, on a free loopback port, for the browser tests:
// its console (the emulator's commands) and its stop. A guard stops it
// should the test runner itself die.
import { spawn, execFileSync } from 'node:child_process';
import { once } from 'node:events';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import readline from 'node:readline';

const build = process.env.ZQ40_BUILD_DIR || path.resolve(import.meta.dirname, '../../build');
const zq40d = path.join(build, 'app/zq40d/zq40d');
const emulate = path.join(build, 'emulator/zq40-emulate');
export const kPin = '2468';

async function freePort() {
  const server = net.createServer().listen(0, '127.0.0.1');
  await once(server, 'listening');
  const { port } = server.address();
  server.close();
  return port;
}

// Zone 6 is the installer's alone; zones 3 and 4 allow different sources.
function configText(port) {
  return `[listen]\naddress=127.0.0.1\nport=${port}\n[state]\nfolder=state\n[staff]\nzones=1,2,3,4,5\n` +
    '[zone1]\nsources=1,2\n[zone2]\nsources=1,2\n[zone3]\nsources=1,2,3\n[zone4]\nsources=2,3\n[zone5]\nsources=1\n';
}

const latin1Hex = (text) => Buffer.from(`${text}\0`, 'latin1').toString('hex');

export class Service {
  static async start() {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'zq40d-page-'));
    const config = path.join(dir, 'zq40d.conf');
    fs.writeFileSync(config, configText(await freePort()));
    execFileSync(zq40d, ['--config', config, 'set-pin'], { input: `${kPin}\n`, stdio: ['pipe', 'ignore', 'inherit'] });
    // Two units on the firmware the programs carry, with names of their own.
    const units = [[12345, 'Hall'], [12346, 'Terrace']].map(([serial, name]) =>
      `plug ${serial} 1.1.1.47\nblock ${serial} 11 0 ${latin1Hex(name)}\n`);
    fs.writeFileSync(path.join(dir, 'units.txt'), units.join(''));
    const service = new Service(dir, config);
    await service.run();
    return service;
  }

  constructor(dir, config) {
    this.dir = dir;
    this.config = config;
    this.port = Number(/port=(\d+)/.exec(fs.readFileSync(config, 'latin1'))[1]);
    this.url = `http://127.0.0.1:${this.port}`;
  }

  async run() {
    const args = ['--kill-after=5', '150', 'umockdev-wrapper', emulate, '--units', '0', '--script', path.join(this.dir, 'units.txt'),
      '--console', '--', zq40d, '--config', this.config];
    this.process = spawn('timeout', args, { stdio: ['pipe', 'pipe', 'pipe'] });
    this.lines = [];
    this.waiting = [];
    readline.createInterface({ input: this.process.stdout }).on('line', (line) => {
      this.lines.push(line);
      const waiting = this.waiting;
      this.waiting = [];
      waiting.forEach((w) => w());
    });
    let log = '';
    await new Promise((started, failed) => {
      this.process.stderr.on('data', (chunk) => {
        log += chunk;
        if (/zq40d: listening on/.test(log)) started();
      });
      this.process.once('exit', (code) => failed(new Error(`zq40d ended (${code}) before it listened:\n${log}`)));
    });
    this.process.stderr.resume();
  }

  command(line) {
    this.process.stdin.write(`${line}\n`);
  }

  // The blocks the program wrote to a unit, oldest first: {code, hex}.
  async written(serial) {
    const from = this.lines.length;
    this.command(`written ${serial}`);
    const end = `written ${serial} end`;
    while (!this.lines.slice(from).includes(end)) await new Promise((w) => this.waiting.push(w));
    return this.lines.slice(from, this.lines.indexOf(end, from))
      .filter((l) => l.startsWith(`written ${serial} `))
      .map((l) => ({ code: Number(l.split(' ')[2]), hex: l.split(' ')[3] }));
  }

  async stop() {
    if (this.process.exitCode !== null || this.process.signalCode !== null) return;
    this.process.kill('SIGTERM'); // timeout passes it on to the emulator, which passes it on to zq40d
    await once(this.process, 'exit');
  }

  async remove() {
    await this.stop();
    fs.rmSync(this.dir, { recursive: true, force: true });
  }
}
