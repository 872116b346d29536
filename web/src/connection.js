// The page's one MQTT connection: over websockets to the broker that served the page, MQTT 5
// (the history request needs a response topic and correlation data).

import mqtt from 'mqtt/dist/mqtt.esm';

import { Kinds } from './payloads.js';

// The broker's address as the page was served: same host and port, wss under https. A page
// opened from a file has none.
export function brokerUrl(location) {
    if (location.protocol !== 'http:' && location.protocol !== 'https:') return '';
    return `${location.protocol === 'https:' ? 'wss' : 'ws'}://${location.host}/`;
}

// MQTT 5 reason codes the broker gives for a refused connection, in the words of the station's
// own messages.
function refusal(error) {
    const code = error?.code;
    if (code === 134 || code === 135 || code === 4 || code === 5)
        return 'the broker refused the user name or password';
    return error?.message || String(error);
}

// Connects and subscribes to every station's topics below `prefix`. `events`:
// message(topic, text, packet), status(text, ok), fatal(text) (the user must act).
export function connect({ url, username, password, prefix }, events) {
    const client = mqtt.connect(url, {
        protocolVersion: 5,
        username: username || undefined,
        password: password || undefined,
        clean: true,
        reconnectPeriod: 2000,
        connectTimeout: 10000,
        clientId: `orvant3k-web-${Math.random().toString(16).slice(2, 10)}`,
    });
    const decoder = new TextDecoder('utf-8', { fatal: false });
    client.on('connect', () => {
        events.status('connected', true);
        const topics = Kinds.map((kind) => `${prefix}/+/${kind}`);
        // QoS 0: a live view loses nothing worth an acknowledgement per message (1,000 a
        // second from a large network), and whatever it misses the next message renews.
        client.subscribe(topics, { qos: 0 }, (error, granted) => {
            if (error) return events.status(`cannot subscribe: ${error.message}`, false);
            const refused = (granted ?? []).filter((g) => g.qos > 2).map((g) => g.topic);
            if (refused.length) events.status(`the broker does not let this user read ${refused.join(', ')}`, false);
        });
    });
    client.on('reconnect', () => events.status('reconnecting…', false));
    client.on('offline', () => events.status('disconnected from the broker; reconnecting…', false));
    client.on('error', (error) => {
        const text = refusal(error);
        if (text.startsWith('the broker refused')) {
            client.end(true);
            events.fatal(text);
        } else {
            events.status(text, false);
        }
    });
    client.on('message', (topic, payload, packet) => events.message(topic, decoder.decode(payload), packet));
    return client;
}
