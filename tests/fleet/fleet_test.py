#!/usr/bin/env python3
"""Twenty zq40d, each a site with its own emulated unit, on one broker with
the operator's ACL: retained states, commands reaching only their site, the
last will, and every site back after the broker restarts. Prints the time to
the last state and the resident memory of the broker and the services."""
import argparse, json, os, pwd, shutil, signal, socket, subprocess, sys, tempfile, threading, time

SITES = 20
HA = 'homeassistant'  # the operator's user in operator.acl


def free_port():
    with socket.socket() as s:
        s.bind(('127.0.0.1', 0))
        return s.getsockname()[1]


def descendant(pid, name):
    """The process called name below pid (timeout, umockdev-wrapper, zq40-emulate, zq40d)."""
    parents = {}
    for entry in os.listdir('/proc'):
        try:
            with open(f'/proc/{entry}/stat') as f:
                fields = f.read().rsplit(')', 1)[1].split()
            with open(f'/proc/{entry}/comm') as f:
                parents[int(entry)] = (int(fields[1]), f.read().strip())
        except (ValueError, OSError):
            pass
    below = {pid}
    for _ in range(6):
        below |= {p for p, (ppid, _) in parents.items() if ppid in below}
    return next((p for p in below if parents.get(p, (0, ''))[1] == name), None)


def rss_kib(pid):
    with open(f'/proc/{pid}/status') as f:
        return next(int(line.split()[1]) for line in f if line.startswith('VmRSS:'))


class Monitor:
    """Everything under zq40/# as the operator sees it, the last payload of each topic."""

    def __init__(self, port, pw):
        self.last, self.changed = {}, threading.Condition()
        self.proc = subprocess.Popen(['timeout', '300', 'mosquitto_sub', '-h', '127.0.0.1', '-p', str(port), '-u', HA,
                                      '-P', pw, '-q', '1', '-t', 'zq40/#', '-F', '%t %x'],
                                     stdout=subprocess.PIPE, text=True)
        threading.Thread(target=self.read, daemon=True).start()

    def read(self):
        for line in self.proc.stdout:
            topic, _, hexed = line.rstrip('\n').partition(' ')
            payload = bytes.fromhex(hexed).decode()
            try:
                payload = json.loads(payload)
            except ValueError:
                pass
            with self.changed:
                self.last[topic] = payload
                self.changed.notify_all()

    def wait(self, what, seconds, test, running=lambda: True):
        end = time.monotonic() + seconds
        with self.changed:
            while not test(self.last):
                if time.monotonic() > end or not running():
                    raise AssertionError(f'{what}: not within {seconds} s' if running() else f'{what}: a service ended')
                self.changed.wait(0.5)

    def stop(self):
        self.proc.terminate()  # timeout passes it on to mosquitto_sub
        self.proc.wait(5)


class Fleet:
    def __init__(self, args, dir):
        self.args, self.dir, self.port = args, dir, free_port()
        self.pw = {f'site{i:02}': f'pw{i}-{os.getpid()}' for i in range(SITES)}
        self.pw[HA] = f'ha-{os.getpid()}'
        self.serial = {site: 20000 + i for i, site in enumerate(sorted(s for s in self.pw if s != HA))}
        passwords = os.path.join(dir, 'passwords')
        open(passwords, 'w').close()
        for user, pw in self.pw.items():
            subprocess.run(['mosquitto_passwd', '-b', passwords, user, pw], check=True)
        with open(os.path.join(dir, 'broker.conf'), 'w') as f:
            # As root, mosquitto would become a user who may not read the temporary folder.
            f.write(f'user {pwd.getpwuid(os.getuid()).pw_name}\nlistener {self.port} 127.0.0.1\n'
                    f'allow_anonymous false\npassword_file {passwords}\n'
                    f'acl_file {args.acl}\npersistence false\n')
        self.services, self.broker = {}, None

    def start_broker(self):
        with open(os.path.join(self.dir, 'broker.log'), 'ab') as log:
            self.broker = subprocess.Popen(['timeout', '300', self.args.mosquitto, '-c',
                                            os.path.join(self.dir, 'broker.conf')], stderr=log)
        for _ in range(100):
            try:
                socket.create_connection(('127.0.0.1', self.port), 0.1).close()
                return
            except OSError:
                time.sleep(0.05)
        raise AssertionError('mosquitto does not listen')

    def start(self, site):
        home = os.path.join(self.dir, site)
        os.makedirs(home, exist_ok=True)
        serial = self.serial[site]
        with open(os.path.join(home, 'units.txt'), 'w') as f:
            f.write(f'plug {serial} 1.1.1.47\nblock {serial} 11 0 {(site + chr(0)).encode().hex()}\n')
        with open(os.path.join(home, 'site.conf'), 'w') as f:
            f.write(f'[listen]\naddress=127.0.0.1\nport=0\n[state]\nfolder=state\n[staff]\nzones=3\n'
                    f'[lending]\nname=zq40-fleet-{os.getpid()}-{site}\n[mqtt]\nbroker=mqtt://127.0.0.1:{self.port}\n'
                    f'user={site}\npassword={self.pw[site]}\nsite={site}\n')
        with open(os.path.join(home, 'log'), 'ab') as log:
            self.services[site] = subprocess.Popen(
                ['timeout', '--kill-after=5', '280', 'umockdev-wrapper', self.args.emulate, '--units', '0', '--script',
                 os.path.join(home, 'units.txt'), '--', self.args.zq40d, '--config', os.path.join(home, 'site.conf')],
                cwd=home, stdin=subprocess.DEVNULL, stdout=log, stderr=log)

    def state(self, last, site):
        return last.get(f'zq40/{site}/{self.serial[site]}/state')

    def up(self, last, site):
        state = self.state(last, site)
        return last.get(f'zq40/{site}/status') == 'online' and isinstance(state, dict) and state.get('connected')

    def publish(self, user, topic, payload):
        subprocess.run(['mosquitto_pub', '-h', '127.0.0.1', '-p', str(self.port), '-u', user, '-P', self.pw[user],
                        '-q', '1', '-t', topic, '-m', payload], check=True, timeout=10)

    def retained(self, topic):
        """What a client subscribing now gets at once, by topic."""
        out = subprocess.run(['mosquitto_sub', '-h', '127.0.0.1', '-p', str(self.port), '-u', HA, '-P', self.pw[HA],
                              '-t', topic, '--retained-only', '-W', '2', '-F', '%t %x'],
                             capture_output=True, text=True, timeout=10).stdout
        return {t: bytes.fromhex(x).decode() for t, _, x in (l.partition(' ') for l in out.splitlines())}


def level(state):
    return state['settings']['Zone3']['Level']


def main():
    parser = argparse.ArgumentParser()
    for name in ('--mosquitto', '--zq40d', '--emulate', '--acl'):
        parser.add_argument(name, required=True, type=os.path.abspath)
    args = parser.parse_args()
    dir = tempfile.mkdtemp(prefix='zq40-fleet-')
    fleet = Fleet(args, dir)
    monitor = None
    sites = sorted(fleet.serial)
    try:
        fleet.start_broker()
        monitor = Monitor(fleet.port, fleet.pw[HA])
        time.sleep(0.3)
        started = time.monotonic()
        for site in sites:
            fleet.start(site)
        running = lambda: all(p.poll() is None for p in fleet.services.values())
        monitor.wait('every site online with its state', 90, lambda last: all(fleet.up(last, s) for s in sites), running)
        print(f'every site\'s state on the broker {time.monotonic() - started:.2f} s after the first start')

        states = {t: json.loads(p) for t, p in fleet.retained('zq40/+/+/state').items()}
        assert sorted(states) == sorted(f'zq40/{s}/{fleet.serial[s]}/state' for s in sites), sorted(states)
        for site in sites:
            state = states[f'zq40/{site}/{fleet.serial[site]}/state']
            assert state['version'] == 1 and state['connected'] and state['name'] == site, state
        before = {site: level(states[f'zq40/{site}/{fleet.serial[site]}/state']) for site in sites}

        # A command changes its site's unit only, one site after another; one
        # site's user may not command another's.
        wanted = {site: -10 - i for i, site in enumerate(sites)}
        assert all(before[s] != wanted[s] for s in sites), before
        for n, site in enumerate(sites):
            topic = f'zq40/{site}/{fleet.serial[site]}'
            fleet.publish(HA, f'{topic}/set', json.dumps({'Zone3.Level': wanted[site], 'transaction': f'fleet-{n}'}))
            monitor.wait(f'{site} answers', 10, lambda last: last.get(f'{topic}/response', {}).get('transaction') ==
                         f'fleet-{n}' and level(fleet.state(last, site)) == wanted[site])
            assert monitor.last[f'{topic}/response'] == {'version': 1, 'transaction': f'fleet-{n}', 'status': 'ok'}
            now = {s: level(fleet.state(monitor.last, s)) for s in sites}
            assert now == {s: (wanted if i <= n else before)[s] for i, s in enumerate(sites)}, (site, now)
        fleet.publish(sites[0], f'zq40/{sites[1]}/{fleet.serial[sites[1]]}/set',
                      json.dumps({'Zone3.Level': -39, 'transaction': 'forged'}))
        time.sleep(0.5)
        assert {s: level(fleet.state(monitor.last, s)) for s in sites} == wanted, 'one site commanded another'
        assert monitor.last[f'zq40/{sites[1]}/{fleet.serial[sites[1]]}/response']['transaction'] == 'fleet-1'

        # The last will: a service killed outright is offline. Started again,
        # it comes back with a unit fresh from the factory.
        victim = sites[-1]
        os.kill(descendant(fleet.services[victim].pid, 'zq40d'), signal.SIGKILL)
        monitor.wait('offline by the last will', 10, lambda last: last.get(f'zq40/{victim}/status') == 'offline')
        fleet.services[victim].wait(10)
        with monitor.changed:
            del monitor.last[f'zq40/{victim}/{fleet.serial[victim]}/state']
        fleet.start(victim)
        wanted[victim] = before[victim]
        monitor.wait('back after its restart', 30, lambda last: fleet.up(last, victim) and
                     level(fleet.state(last, victim)) == wanted[victim])

        services = [rss_kib(descendant(p.pid, 'zq40d')) for p in fleet.services.values()]
        print(f'RSS: mosquitto {rss_kib(descendant(fleet.broker.pid, "mosquitto"))} KiB; {SITES} zq40d '
              f'{min(services)} to {max(services)} KiB, {sum(services) / 1024:.1f} MiB in all')

        # The broker keeps nothing: after its restart every site publishes itself again.
        monitor.stop()
        fleet.broker.terminate()
        fleet.broker.wait(10)
        restarted = time.monotonic()
        fleet.start_broker()
        monitor = Monitor(fleet.port, fleet.pw[HA])
        monitor.wait('every site back after the broker restarted', 60, lambda last: all(
            fleet.up(last, s) and level(fleet.state(last, s)) == wanted[s] for s in sites), running)
        print(f'every site back {time.monotonic() - restarted:.2f} s after the broker restarted')
        assert set(fleet.retained('zq40/+/status').values()) == {'online'}
        print('fleet test passed')
    except Exception:
        for site, service in fleet.services.items():
            if service.poll() is not None:
                with open(os.path.join(dir, site, 'log')) as log:
                    print(f'{site} ended ({service.returncode}):', *log.readlines()[-5:], sep='\n  ')
        raise
    finally:
        if monitor:
            monitor.stop()
        for service in fleet.services.values():
            if service.poll() is None:
                service.terminate()
        for service in fleet.services.values():
            try:
                service.wait(10)
            except subprocess.TimeoutExpired:
                service.kill()
        if fleet.broker:
            fleet.broker.terminate()
            fleet.broker.wait(10)
        if os.environ.get('ZQ40_KEEP') is None:
            shutil.rmtree(dir, ignore_errors=True)
        else:
            print(f'logs in {dir}')


if __name__ == '__main__':
    sys.exit(main())
