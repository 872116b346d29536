// Child processes of a test, each ended when the test ends, failed or not.

import { spawn } from 'node:child_process';

export class Processes {
    constructor() { this.children = []; }

    start(program, args, options = {}) {
        const child = spawn(program, args, { stdio: ['ignore', 'pipe', 'pipe'], ...options });
        let output = '';
        child.stdout.on('data', (d) => { output += d; });
        child.stderr.on('data', (d) => { output += d; });
        child.output = () => output;
        child.exited = new Promise((resolve) => child.on('exit', resolve));
        this.children.push(child);
        return child;
    }

    // SIGTERM, then SIGKILL for what has not ended within a few seconds.
    async stop(child) {
        if (child.exitCode !== null || child.signalCode !== null) return;
        child.kill('SIGTERM');
        const ended = await Promise.race([child.exited.then(() => true), new Promise((r) => setTimeout(() => r(false), 5000))]);
        if (!ended) {
            child.kill('SIGKILL');
            await child.exited;
        }
    }

    async stopAll() {
        await Promise.all(this.children.reverse().map((child) => this.stop(child)));
    }
}
