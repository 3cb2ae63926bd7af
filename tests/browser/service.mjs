// zq40d with two emulated units (12345 "Hall", 12346 "Terrace") on a free
// loopback port, for the browser tests: the emulator's console, and a
// timeout that stops both should the test runner itself die.
import { execFileSync, spawn } from 'node:child_process';
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
const latin1Hex = (text) => Buffer.from(`${text}\0`, 'latin1').toString('hex');

export class Service {
  static async start() {
    const server = net.createServer().listen(0, '127.0.0.1');
    await once(server, 'listening');
    const service = new Service(server.address().port);
    server.close();
    // Zone 6 is the installer's alone; zones 3 and 4 allow different sources.
    fs.writeFileSync(service.config, `[listen]\naddress=127.0.0.1\nport=${service.port}\n[state]\nfolder=state\n` +
      '[staff]\nzones=1,2,3,4,5\nscenes=true\n[zone1]\nsources=1,2\n[zone2]\nsources=1,2\n[zone3]\nsources=1,2,3\n' +
      `[zone4]\nsources=2,3\n[zone5]\nsources=1\n[lending]\nname=${service.lending}\n` +
      '[schedule]\ntimezone=Europe/Berlin\n[schedule.evening]\nscene=Evening\nunit=12345\ntime=18:00\n');
    execFileSync(zq40d, ['--config', service.config, 'set-pin'], { input: `${kPin}\n`, stdio: ['pipe', 'ignore', 'inherit'] });
    service.installer = execFileSync(zq40d, ['--config', service.config, 'add-token', 'desk', '--role', 'installer'])
      .toString().trim();
    const units = [[12345, 'Hall'], [12346, 'Terrace']].map(([serial, name]) =>
      `plug ${serial} 1.1.1.47\nblock ${serial} 11 0 ${latin1Hex(name)}\n`);
    fs.writeFileSync(path.join(service.dir, 'units.txt'), units.join(''));
    await service.run();
    return service;
  }

  constructor(port) {
    this.dir = fs.mkdtempSync(path.join(os.tmpdir(), 'zq40d-page-'));
    this.config = path.join(this.dir, 'zq40d.conf');
    this.port = port;
    this.url = `http://127.0.0.1:${port}`;
    this.lending = `zq40d-page-${process.pid}`;
  }

  // The units lent as to an installer's window, until end() is called. By
  // Python: node pads an abstract socket's name to the full address.
  async borrow() {
    const borrower = spawn('python3', ['-c', 'import socket, sys\n' +
      's = socket.socket(socket.AF_UNIX); s.connect("\\0" + sys.argv[1])\n' +
      's.sendall(b"lend browser-test\\n"); print(s.recv(64).decode(), end="", flush=True); sys.stdin.read()',
      this.lending]);
    const [answer] = await once(borrower.stdout, 'data');
    if (answer.toString() !== 'lent\n') throw new Error(`not lent: ${answer}`);
    return { end: () => borrower.stdin.end() };
  }

  async run() {
    this.process = spawn('timeout', ['--kill-after=5', '150', 'umockdev-wrapper', emulate, '--units', '0',
      '--script', path.join(this.dir, 'units.txt'), '--console', '--', zq40d, '--config', this.config]);
    this.lines = [];
    this.waiting = [];
    readline.createInterface({ input: this.process.stdout }).on('line', (line) => {
      this.lines.push(line);
      this.waiting.splice(0).forEach((w) => w());
    });
    let log = '';
    await new Promise((started, failed) => {
      this.process.stderr.on('data', (chunk) => (log += chunk) && /zq40d: listening on/.test(log) && started());
      this.process.once('exit', (code) => failed(new Error(`zq40d ended (${code}) before it listened:\n${log}`)));
    });
  }

  command(line) {
    this.process.stdin.write(`${line}\n`);
  }

  // The blocks the program wrote to a unit, oldest first: {code, hex}.
  async written(serial) {
    const from = this.lines.length;
    const end = `written ${serial} end`;
    this.command(`written ${serial}`);
    while (!this.lines.includes(end, from)) await new Promise((w) => this.waiting.push(w));
    return this.lines.slice(from, this.lines.indexOf(end, from)).filter((l) => l.startsWith(`written ${serial} `))
      .map((l) => ({ code: Number(l.split(' ')[2]), hex: l.split(' ')[3] }));
  }

  // timeout passes the signal on to the emulator, and that to zq40d.
  async stop() {
    if (this.process.exitCode === null && this.process.signalCode === null) {
      this.process.kill('SIGTERM');
      await once(this.process, 'exit');
    }
  }

  async remove() {
    await this.stop();
    fs.rmSync(this.dir, { recursive: true, force: true });
  }
}
