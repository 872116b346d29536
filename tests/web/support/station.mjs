// The built programs of a station network for the page's tests: the simulator on a
// pseudo-terminal, the headless station publishing to the test's broker, the collector.

import { chmodSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';

import { Users } from './broker.mjs';
import { waitFor } from './ports.mjs';

const bin = process.env.ORVANT_BIN_DIR;
export const Programs = {
    station: join(bin ?? '', 'src/orvant3k'),
    simulator: join(bin ?? '', 'tools/orvant3k-sim'),
    collector: join(bin ?? '', 'tools/orvant3k-collector'),
};

function passwordFile(folder, user) {
    const path = join(folder, `${user}.password`);
    writeFileSync(path, `${Users[user]}\n`);
    chmodSync(path, 0o600);
    return path;
}

// The simulator at one line a second and the station `TST` recording it in `folder`.
export async function startStation(processes, folder, broker) {
    const link = join(folder, 'instrument');
    const simulator = processes.start(Programs.simulator, ['--link', link]);
    await waitFor('the simulator', () => simulator.output().includes('/dev/'));
    writeFileSync(join(folder, 'station.ini'),
        '[Intermagnet]\r\nIDC=TST\r\n[IAGA2002]\r\nSecondFiles=1\r\nMinuteFiles=1\r\nStationName=Test station\r\n' +
        'Latitude=50\r\nLongitude=10\r\nElevation=100\r\n[Filter]\r\nC0=1\r\n' +
        `[Network]\r\nBroker=127.0.0.1\r\nPort=${broker.mqttPort}\r\nUsername=TST\r\n` +
        `PasswordFile=${passwordFile(folder, 'TST')}\r\n`);
    const station = processes.start(Programs.station, ['--headless', '--port', link, '--settings', 'station.ini'],
                                    { cwd: folder });
    await waitFor('the station reading', () => station.output().includes('open, reading') || station.exitCode !== null);
    if (station.exitCode !== null) throw new Error(`the station ended: ${station.output()}`);
    return { simulator, station };
}

export function startCollector(processes, folder, broker) {
    return processes.start(Programs.collector, [
        '--broker', `127.0.0.1:${broker.mqttPort}`, '--username', 'collector',
        '--password-file', passwordFile(folder, 'collector'), '--out', join(folder, 'collected')]);
}
