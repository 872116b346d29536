// A real mosquitto for the page's tests: a plain MQTT listener (mosquitto 2.0 refuses to start
// with a websockets listener alone) and a websockets listener that also serves the built page
// (http_dir), both on 127.0.0.1 and free ports, with the users and ACL docs/network.md gives.

import { execFileSync } from 'node:child_process';
import { appendFileSync, writeFileSync } from 'node:fs';
import { userInfo } from 'node:os';
import { join } from 'node:path';

import { freePort, waitForListener } from './ports.mjs';

export const Users = {
    collector: 'collector-secret',
    TST: 'secret-TST',
    web: 'web-secret',
};

export const Acl = `user collector
topic read orvant3k/v1/#
topic write orvant3k/v1/+/resend
topic write orvant3k/v1/+/history/answer/#

user web
topic deny orvant3k/v1/web/#
topic read orvant3k/v1/#
topic write orvant3k/v1/+/history

pattern write orvant3k/v1/%u/status
pattern write orvant3k/v1/%u/meta
pattern write orvant3k/v1/%u/lines
pattern write orvant3k/v1/%u/minute
pattern read orvant3k/v1/%u/resend
`;

// `open`: anyone may connect and publish anything (the benches' load generators play many
// stations through one client). `tls`: a third listener, websockets with TLS, whose server
// certificate a test authority signs; `spki` is the certificate's key hash for Chromium.
export async function startBroker(processes, folder, httpDir, { open = false, tls = false } = {}) {
    const passwd = join(folder, 'passwd');
    writeFileSync(passwd, '');
    for (const [user, password] of Object.entries(Users))
        execFileSync('mosquitto_passwd', ['-b', passwd, user, password]);
    writeFileSync(join(folder, 'acl'), Acl);
    const mqttPort = await freePort();
    const wsPort = await freePort();
    writeFileSync(join(folder, 'mosquitto.conf'), [
        'per_listener_settings false',
        ...(open ? ['allow_anonymous true']
                 : ['allow_anonymous false', `password_file ${passwd}`, `acl_file ${join(folder, 'acl')}`]),
        'persistence false',
        `user ${userInfo().username}`,
        'log_dest stderr',
        `listener ${mqttPort} 127.0.0.1`,
        `listener ${wsPort} 127.0.0.1`,
        'protocol websockets',
        `http_dir ${httpDir}`,
        '',
    ].join('\n'));
    let tlsListener = {};
    if (tls) tlsListener = await tlsWebsocketsListener(folder);
    if (tls) appendFileSync(join(folder, 'mosquitto.conf'), tlsListener.config);
    const process = processes.start('/usr/sbin/mosquitto', ['-c', join(folder, 'mosquitto.conf')]);
    await waitForListener(mqttPort, process);
    await waitForListener(wsPort, process);
    if (tls) await waitForListener(tlsListener.port, process);
    return { process, mqttPort, wsPort, pageUrl: `http://127.0.0.1:${wsPort}/`, mqttUrl: `mqtt://127.0.0.1:${mqttPort}`,
             wssUrl: tls ? `wss://127.0.0.1:${tlsListener.port}/` : null, spki: tlsListener.spki };
}

async function tlsWebsocketsListener(folder) {
    const shell = (command) => execFileSync('sh', ['-c', command], { cwd: folder, stdio: ['ignore', 'pipe', 'ignore'] }).toString().trim();
    shell('openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout ca.key -out ca.crt -days 2 -subj "/CN=orvant3k test CA" && ' +
          'openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout server.key -out server.csr -subj "/CN=127.0.0.1" && ' +
          'printf "subjectAltName=IP:127.0.0.1\\n" > server.ext && ' +
          'openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -out server.crt -days 2 -extfile server.ext');
    const spki = shell('openssl x509 -in server.crt -pubkey -noout | openssl pkey -pubin -outform der | openssl dgst -sha256 -binary | base64');
    const port = await freePort();
    const config = [`listener ${port} 127.0.0.1`, 'protocol websockets', `certfile ${join(folder, 'server.crt')}`,
                    `keyfile ${join(folder, 'server.key')}`, ''].join('\n');
    return { port, spki, config };
}
