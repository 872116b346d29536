// Free ports on 127.0.0.1 and waiting for a listener, for the servers the tests start.

import net from 'node:net';

export function freePort() {
    return new Promise((resolve, reject) => {
        const server = net.createServer();
        server.on('error', reject);
        server.listen(0, '127.0.0.1', () => {
            const { port } = server.address();
            server.close(() => resolve(port));
        });
    });
}

export async function waitForListener(port, process, seconds = 10) {
    const deadline = Date.now() + seconds * 1000;
    for (;;) {
        const accepted = await new Promise((resolve) => {
            const socket = net.connect(port, '127.0.0.1', () => { socket.destroy(); resolve(true); });
            socket.on('error', () => resolve(false));
        });
        if (accepted) return;
        if (process.exitCode !== null || Date.now() > deadline)
            throw new Error(`nothing listens on ${port}: ${process.output?.() ?? ''}`);
        await new Promise((r) => setTimeout(r, 50));
    }
}

export async function waitFor(what, check, seconds = 20) {
    const deadline = Date.now() + seconds * 1000;
    for (;;) {
        const value = await check();
        if (value) return value;
        if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}`);
        await new Promise((r) => setTimeout(r, 100));
    }
}
